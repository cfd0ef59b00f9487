#include "command/textrules.h"
#include <gtest/gtest.h>

TEST(WebTarget, PrefixAlone) { EXPECT_TRUE(IsWebTarget("www.")); }
