// The settings as the real bar shows and stores them: limits applied at start, and what the
// bar's size and state changes write back.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include <string>

namespace {

void Restart()
{
    StopPlugin();
    DestroyTestHost();
    CreateTestHost();
    LoadPlugin();
}

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

// A value out of range takes the substitute, not the nearer limit; unreadable text the default.
TEST_F(ModuleTest, StoredValuesAreLimitedAtStart)
{
    const int maxX = GetSystemMetrics(SM_CXSCREEN) - 8;
    const int maxY = GetSystemMetrics(SM_CYSCREEN) - 8;
    struct Case { const char* key; std::string text; int left, top, width, opacity; };
    const Case cases[] = {
        {"Width", "30", 0, 1, 50, 255},
        {"Width", "5000", 0, 1, 50, 255},
        {"Width", "2001", 0, 1, 50, 255},
        {"Width", "2000", 0, 1, 2000, 255},
        {"Width", "abc", 0, 1, 400, 255},
        {"Width", "", 0, 1, 400, 255},
        {"XPos", "-5", 0, 1, 400, 255},
        {"XPos", std::to_string(maxX + 1), 0, 1, 400, 255},
        {"XPos", std::to_string(maxX), maxX, 1, 400, 255},
        {"YPos", "-5", 0, 0, 400, 255},
        {"YPos", std::to_string(maxY + 1), 0, 0, 400, 255},
        {"YPos", std::to_string(maxY), 0, maxY, 400, 255},
        {"YPos", "abc", 0, 1, 400, 255},
        {"Transparency", "71", 0, 1, 400, 204},
        {"Transparency", "-5", 0, 1, 400, 204},
        {"Transparency", "70", 0, 1, 400, 76},
        {"Transparency", "", 0, 1, 400, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        Restart();
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

TEST_F(ModuleTest, YesNoSettings)
{
    struct Case { const char* key; const char* text; bool collapsed, autoComplete; };
    static const Case cases[] = {
        {"Minimize", "1", true, true},     {"Minimize", "abc", false, true},
        {"AutoComplete", "0", false, false}, {"AutoComplete", "abc", false, true},
        {"AutoComplete", "", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        Restart();
        SetConfig(c.key, c.text);
        StartPlugin();
        ASSERT_NE(BarWindow(), nullptr);
        EXPECT_EQ(BarRect().right - BarRect().left, c.collapsed ? 24 : 400);
        EXPECT_EQ(Stored("Minimize"), c.collapsed ? 1 : 0);
        bool announced = false;
        for (int i = 0; i < sequence_count(); i++)
            if (sequence_at(i)->message == HOSTMSG_AUTOCOMPLETE)
                announced = true;
        EXPECT_EQ(announced, c.autoComplete);
    }
}

// Collapsed, the width to come back to is stored; expanded, the current one. The position is
// wherever the bar actually is.
TEST_F(ModuleTest, BarEventsSaveWidthStateAndPosition)
{
    SetConfigInt("Width", 300);
    StartPlugin();
    HWND bar = BarWindow();
    ASSERT_NE(bar, nullptr);
    SetWindowPos(bar, NULL, 77, 88, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    SendMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(BarRect().right - BarRect().left, 24);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 1);
    EXPECT_EQ(Stored("XPos"), 77);
    EXPECT_EQ(Stored("YPos"), 88);

    // A close request on a collapsed bar only saves.
    SetWindowPos(bar, NULL, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(BarRect().right - BarRect().left, 24);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 1);
    EXPECT_EQ(Stored("XPos"), 60);
    EXPECT_EQ(Stored("YPos"), 70);

    SendMessageA(bar, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(BarRect().right - BarRect().left, 300);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 0);

    // A new width by sizing is what the next collapse keeps.
    SetWindowPos(bar, NULL, 0, 0, 250, BarRect().bottom - BarRect().top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Stored("Width"), 250);
    SendMessageA(bar, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(BarRect().right - BarRect().left, 24);
    EXPECT_EQ(Stored("Width"), 250);
    EXPECT_EQ(Stored("Minimize"), 1);
}
