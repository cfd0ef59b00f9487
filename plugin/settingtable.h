// The bar's seven settings, one row each: what the host is told of it in the options table that
// GetPluginInfo hands over, and how LoadSettings reads it. A new setting is one row here, its field
// in PluginState and what the bar does with it.
#pragma once
#include <windows.h>

// How LoadSettings reads a value: as yes or no, or as a number held to the row's own range or to
// where the bar may stand on the screen (8 pixels of it at least). A number outside its limits
// becomes the row's substitute, not the nearer limit.
enum SettingRead { READ_YES_NO, READ_IN_RANGE, READ_ON_SCREEN_X, READ_ON_SCREEN_Y };
const int SCREEN_KEEP = 8;

struct SettingRow {
    const char* key;            // in the section "Abrivel", and the caption the host shows
    DWORD kind;                 // the host's to interpret
    int shownDefault;           // what the host is told
    int minimum, maximum;       // what the host is told; the range of READ_IN_RANGE
    SettingRead read;
    int readDefault;            // where the key is absent; a yes or no: 0 or -1
    int substitute;
};

// The options table's order, which the host shows: Transparency last, so that a count of 6 hides
// it where there are no layered windows.
//   X(field in PluginState, key, kind, shown default, minimum, maximum, read, default, substitute)
#define BAR_SETTINGS(X) \
    X(snap,         "Snap",         0x103, 6,   0,  20,   READ_IN_RANGE,    6,   0)  \
    X(collapsed,    "Minimize",     0x101, 0,   0,  0,    READ_YES_NO,      0,   0)  \
    X(width,        "Width",        0x003, 400, 50, 2000, READ_IN_RANGE,    400, 50) \
    X(xPos,         "XPos",         0x002, 0,   0,  0,    READ_ON_SCREEN_X, 0,   0)  \
    X(yPos,         "YPos",         0x002, 0,   0,  0,    READ_ON_SCREEN_Y, 1,   0)  \
    X(autoComplete, "AutoComplete", 0x101, 1,   0,  0,    READ_YES_NO,      -1,  0)  \
    X(transparency, "Transparency", 0x10B, 0,   0,  70,   READ_IN_RANGE,    0,   20)

#define SETTING_NUMBER(field, ...) SETTING_##field,
enum Setting { BAR_SETTINGS(SETTING_NUMBER) SETTING_COUNT };
#undef SETTING_NUMBER

#define SETTING_ROW(field, key, kind, shown, minimum, maximum, read, readDefault, substitute) \
    {key, kind, shown, minimum, maximum, read, readDefault, substitute},
inline constexpr SettingRow SettingsTable[SETTING_COUNT] = {BAR_SETTINGS(SETTING_ROW)};
#undef SETTING_ROW
