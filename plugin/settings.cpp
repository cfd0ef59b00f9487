// The seven settings, read once at start; the four the user changes by handling the bar are
// written back at the moment they change.
#include "state.h"
#include "settingtable.h"
#include "../host/kelvor.h"
#include "../bar/bar.h"

static const char SettingsSection[] = "Abrivel";
// Window coordinates end at 32767.
static const int FAR_PLACE = 30000;

namespace {

// In an unaware host on one monitor the primary screen bounds the position. With several
// monitors, or in a host aware of each monitor's DPI (a laptop started without its second one), a
// place no monitor shows now is kept: the bar goes onto the nearest monitor until one shows that
// place again, once it knows its size. Only a place beyond any screen is none.
void ScreenLimits(SettingRead read, int* low, int* high)
{
    if (SeveralMonitors() || PerMonitorAware()) {
        *low = -FAR_PLACE;
        *high = FAR_PLACE;
        return;
    }
    *low = 0;
    *high = GetSystemMetrics(read == READ_ON_SCREEN_X ? SM_CXSCREEN : SM_CYSCREEN) - SCREEN_KEEP;
}

int ReadSetting(const SettingRow& row, ConfigCursor* cursor)
{
    if (row.read == READ_YES_NO)
        return GetCFGBool(row.key, row.readDefault, cursor) ? 1 : 0;
    int value = GetCFGInt(row.key, row.readDefault, cursor);
    int low = row.minimum, high = row.maximum;
    if (row.read != READ_IN_RANGE)
        ScreenLimits(row.read, &low, &high);
    // A value outside its range becomes the substitute, not the nearer limit.
    CheckInt(&value, low, high, row.substitute);
    return value;
}

}  // namespace

void LoadSettings()
{
    ConfigCursor cursor;
    OpenCFGr(State.host.configuration, &cursor);
    FindSection(SettingsSection, 0, &cursor);
    // In the table's order, each into its field.
#define LOAD_SETTING(field, ...) State.field = ReadSetting(SettingsTable[SETTING_##field], &cursor);
    BAR_SETTINGS(LOAD_SETTING)
#undef LOAD_SETTING
    CloseCFGr(&cursor);
}

void SaveSettings()
{
    ConfigCursor cursor;
    OpenCFGw(State.host.configuration, &cursor);
    FindSection(SettingsSection, 1, &cursor);

    // While collapsed the bar is 24 wide; the width to come back to is what the user set. The
    // configuration holds the width at 96 DPI, so that it means the same on every monitor.
    SetCFGInt(SettingsTable[SETTING_width].key,
              Unscale(State.collapsed ? State.savedWidth : State.width), &cursor);
    SetCFGInt(SettingsTable[SETTING_collapsed].key, State.collapsed ? 1 : 0, &cursor);
    RECT rect;
    if (!State.keepConfiguredPosition && GetWindowRect(State.bar, &rect)) {
        State.xPos = rect.left;
        State.yPos = rect.top;
    }
    SetCFGInt(SettingsTable[SETTING_xPos].key, State.xPos, &cursor);
    SetCFGInt(SettingsTable[SETTING_yPos].key, State.yPos, &cursor);

    CloseCFGw(State.host.configuration, 0, &cursor);
}
