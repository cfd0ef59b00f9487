// Start and stop of the real module in a test host.
#include "harness/testhost.h"

TEST_F(ModuleTest, StartCreatesTheBar)
{
    StartPlugin();
    HWND bar = BarWindow();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Host.record->window, bar);
}
