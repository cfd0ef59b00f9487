// LoadSettings and SaveSettings through the static library, against the stand-in helper
// library and an INI file of the test's own.
#include "plugin/state.h"
#include "harness/testhost.h"
#include <string>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateTestHost();
        ZeroMemory(&State, sizeof State);
        State.host.configuration = Host.configPath;
    }
    void TearDown() override
    {
        ZeroMemory(&State, sizeof State);
        DestroyTestHost();
    }
};

struct Loaded { int snap, width, xPos, yPos, transparency; BYTE collapsed, autoComplete; };

Loaded Load()
{
    LoadSettings();
    return {State.snap, State.width, State.xPos, State.yPos, State.transparency, State.collapsed,
            State.autoComplete};
}

}  // namespace

TEST_F(Settings, EmptyConfiguration)
{
    Loaded s = Load();
    EXPECT_EQ(s.snap, 6);
    EXPECT_EQ(s.collapsed, 0);
    EXPECT_EQ(s.width, 400);
    EXPECT_EQ(s.xPos, 0);
    EXPECT_EQ(s.yPos, 1);
    EXPECT_EQ(s.autoComplete, 1);
    EXPECT_EQ(s.transparency, 0);
}

// Each integer against its range: outside, the substitute (not the nearer limit).
TEST_F(Settings, IntegersOutOfRangeTakeTheSubstitute)
{
    const int maxX = GetSystemMetrics(SM_CXSCREEN) - 8;
    const int maxY = GetSystemMetrics(SM_CYSCREEN) - 8;
    struct Case { const char* key; std::string text; int Loaded::*field; int expected; };
    const Case cases[] = {
        {"Snap", "21", &Loaded::snap, 0},          {"Snap", "-1", &Loaded::snap, 0},
        {"Snap", "20", &Loaded::snap, 20},         {"Snap", "0", &Loaded::snap, 0},
        {"Snap", "abc", &Loaded::snap, 6},         {"Snap", "", &Loaded::snap, 6},
        {"Width", "30", &Loaded::width, 50},       {"Width", "5000", &Loaded::width, 50},
        {"Width", "50", &Loaded::width, 50},       {"Width", "2000", &Loaded::width, 2000},
        {"Width", "12x", &Loaded::width, 400},
        {"XPos", "-5", &Loaded::xPos, 0},          {"XPos", std::to_string(maxX + 1), &Loaded::xPos, 0},
        {"XPos", std::to_string(maxX), &Loaded::xPos, maxX},
        {"YPos", "-5", &Loaded::yPos, 0},          {"YPos", std::to_string(maxY + 1), &Loaded::yPos, 0},
        {"YPos", std::to_string(maxY), &Loaded::yPos, maxY}, {"YPos", "", &Loaded::yPos, 1},
        {"Transparency", "71", &Loaded::transparency, 20},
        {"Transparency", "-5", &Loaded::transparency, 20},
        {"Transparency", "70", &Loaded::transparency, 70},
        {"Transparency", "x", &Loaded::transparency, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        ClearConfig();
        SetConfig(c.key, c.text.c_str());
        Loaded s = Load();
        EXPECT_EQ(s.*c.field, c.expected);
    }
}

TEST_F(Settings, YesNoValues)
{
    struct Case { const char* text; BYTE minimize, autoComplete; };
    static const Case cases[] = {{"1", 1, 1}, {"0", 0, 0}, {"-1", 1, 1}, {"abc", 0, 1}, {"", 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClearConfig();
        SetConfig("Minimize", c.text);
        SetConfig("AutoComplete", c.text);
        Loaded s = Load();
        EXPECT_EQ(s.collapsed, c.minimize);
        EXPECT_EQ(s.autoComplete, c.autoComplete);
    }
}

static const message SaveSequence[] = {
    {CFG_OPENW, 0, 0, 0, nullptr},
    {CFG_SECTION, key | lparam, 0, 1, "Abrivel"},
    {CFG_SETINT, key | lparam, 0, 321, "Width"},
    {CFG_SETINT, key | lparam, 0, 1, "Minimize"},
    {CFG_SETINT, key | lparam, 0, 123, "XPos"},
    {CFG_SETINT, key | lparam, 0, 45, "YPos"},
    {CFG_CLOSEW, 0, 0, 0, nullptr},
    {0, 0, 0, 0, nullptr},
};

TEST_F(Settings, SaveStoresWidthStateAndTheWindowsPosition)
{
    HWND bar = CreateWindowExA(0, "STATIC", "bar", WS_POPUP, 123, 45, 24, 20, NULL, NULL, NULL, NULL);
    ASSERT_NE(bar, nullptr);
    SetConfigInt("Snap", 9);
    SetConfigInt("Transparency", 30);
    SetConfigInt("AutoComplete", 0);
    State.bar = bar;
    State.xPos = 1;
    State.yPos = 2;

    // Collapsed: the width to come back to, and 1.
    State.collapsed = 1;
    State.width = 24;
    State.savedWidth = 321;
    Host.recordMask = RECORD_ALL;
    flush_sequence();
    SaveSettings();
    ok_sequence(SaveSequence, "save while collapsed");
    EXPECT_EQ(Stored("Width"), 321);
    EXPECT_EQ(Stored("Minimize"), 1);
    EXPECT_EQ(Stored("XPos"), 123);
    EXPECT_EQ(Stored("YPos"), 45);
    EXPECT_EQ(State.xPos, 123);
    EXPECT_EQ(State.yPos, 45);

    // Expanded: the current width, and 0.
    State.collapsed = 0;
    State.width = 222;
    SetWindowPos(bar, NULL, 10, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SaveSettings();
    EXPECT_EQ(Stored("Width"), 222);
    EXPECT_EQ(Stored("Minimize"), 0);
    EXPECT_EQ(Stored("XPos"), 10);
    EXPECT_EQ(Stored("YPos"), 700);

    EXPECT_EQ(Stored("Snap"), 9);
    EXPECT_EQ(Stored("Transparency"), 30);
    EXPECT_EQ(Stored("AutoComplete"), 0);
    DestroyWindow(bar);

    // Without a window the position last known is stored, not whatever the stack held.
    State.bar = NULL;
    SaveSettings();
    EXPECT_EQ(Stored("XPos"), 10);
    EXPECT_EQ(Stored("YPos"), 700);
}
