// The settings as the real bar shows and stores them at start. (The limits of every row are the
// unit test's; what the bar's size and state changes write back, the bar's tests'.)
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include <string>

namespace {

// 255 for an opaque bar.
int Opacity()
{
    if (!(GetWindowLongA(BarWindow(), GWL_EXSTYLE) & WS_EX_LAYERED))
        return 255;
    BYTE alpha = 0;
    GetLayeredWindowAttributes(BarWindow(), NULL, &alpha, NULL);
    return alpha;
}

}  // namespace

TEST_F(ModuleTest, EmptyConfigurationGivesTheDefaults)
{
    StartPlugin();
    ASSERT_NE(BarWindow(), nullptr);
    RECT r = BarRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 1);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(Opacity(), 255);
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 0);
    EXPECT_EQ(Stored("XPos"), 0);
    EXPECT_EQ(Stored("YPos"), 1);
    // The plug-in never writes what only the host's options dialog changes.
    int value;
    EXPECT_FALSE(GetConfigInt("Snap", &value));
    EXPECT_FALSE(GetConfigInt("AutoComplete", &value));
    EXPECT_FALSE(GetConfigInt("Transparency", &value));
}

// A value out of range takes the substitute, not the nearer limit (every row's limits are the
// unit test's): what the bar shows and stores for one of each kind.
TEST_F(ModuleTest, StoredValuesAreLimitedAtStart)
{
    const int maxX = GetSystemMetrics(SM_CXSCREEN) - 8;
    const int maxY = GetSystemMetrics(SM_CYSCREEN) - 8;
    struct Case { const char* key; std::string text; int left, top, width, opacity; };
    const Case cases[] = {
        {"Width", "30", 0, 1, 50, 255},
        {"XPos", std::to_string(maxX + 1), 0, 1, 400, 255},
        {"YPos", std::to_string(maxY), 0, maxY, 400, 255},
        {"Transparency", "71", 0, 1, 400, 204},
        {"Transparency", "70", 0, 1, 400, 76},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        FreshHost();
        SetConfig(c.key, c.text.c_str());
        StartPlugin();
        ASSERT_NE(BarWindow(), nullptr);
        RECT r = BarRect();
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right - r.left, c.width);
        EXPECT_EQ(Opacity(), c.opacity);
        // The sizing during the start has stored the limited values.
        EXPECT_EQ(Stored("Width"), c.width);
        EXPECT_EQ(Stored("XPos"), c.left);
        EXPECT_EQ(Stored("YPos"), c.top);
    }
}
