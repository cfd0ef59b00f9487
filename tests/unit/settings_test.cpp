// LoadSettings and SaveSettings through the static library, against the stand-in helper
// library and an INI file of the test's own; the cases come from the settings table.
#include "plugin/state.h"
#include "plugin/settingtable.h"
#include "harness/testhost.h"
#include <string>
#include <vector>

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

// The field a setting was loaded into.
int Loaded(int setting)
{
#define FIELD_VALUE(field, ...) (int)State.field,
    const int values[SETTING_COUNT] = {BAR_SETTINGS(FIELD_VALUE)};
#undef FIELD_VALUE
    return values[setting];
}

// What a row holds its numbers to on this display, one monitor.
void Limits(const SettingRow& row, int* low, int* high)
{
    *low = row.read == READ_IN_RANGE ? row.minimum : 0;
    *high = row.read == READ_IN_RANGE  ? row.maximum
            : row.read == READ_ON_SCREEN_X ? GetSystemMetrics(SM_CXSCREEN) - 8
                                           : GetSystemMetrics(SM_CYSCREEN) - 8;
}

}  // namespace

// Absent, each value is the row's default; a yes or no is whatever is not 0, a number within its
// limits stays, one outside them takes the substitute (not the nearer limit), and text that is
// no number reads as absent.
TEST_F(Settings, EachRowsDefaultLimitsAndSubstitute)
{
    for (int s = 0; s < SETTING_COUNT; s++) {
        const SettingRow& row = SettingsTable[s];
        int fallback = row.read == READ_YES_NO ? row.readDefault != 0 : row.readDefault;
        ClearConfig();
        LoadSettings();
        EXPECT_EQ(Loaded(s), fallback) << row.key << " absent";
        struct Case { std::string text; int expected; };
        std::vector<Case> cases;
        if (row.read == READ_YES_NO) {
            cases = {{"1", 1}, {"0", 0}, {"-1", 1}, {"abc", fallback}, {"", fallback}};
        } else {
            int low, high;
            Limits(row, &low, &high);
            cases = {{std::to_string(low), low},
                     {std::to_string(high), high},
                     {std::to_string(low - 1), row.substitute},
                     {std::to_string(high + 1), row.substitute},
                     {"12x", fallback},
                     {"", fallback}};
        }
        for (const Case& c : cases) {
            ClearConfig();
            SetConfig(row.key, c.text.c_str());
            LoadSettings();
            EXPECT_EQ(Loaded(s), c.expected) << row.key << "=" << c.text;
        }
    }
}

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
    ok_sequence(Sequence({SettingsSave(321, 1, 123, 45)}).data(), "save while collapsed");
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
