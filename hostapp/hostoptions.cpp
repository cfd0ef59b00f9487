// The host program's own options, a row each, shown after the plug-in's in the options dialog:
// the shortcut that brings the bar to the front, and start with Windows.
#include "hostapp.h"
#include <stdio.h>

namespace {

// The shortcut the user chose in the options, registered again at every start.
void RegisterStoredHotkey(int stored)
{
    WORD hotkey = (WORD)stored;
    if (stored <= 0 || stored > 0xFFFF)
        return;
    char name[64];
    HotkeyText(hotkey, name, sizeof name);
    if (SetHotkey(hotkey)) {
        Log("shortcut %s registered", name);
        return;
    }
    Log("shortcut %s is taken by another program", name);
    char text[256];
    _snprintf(text, sizeof text,
              "The shortcut %s is already in use by another program. Choose another one in the "
              "options.", name);
    text[sizeof text - 1] = '\0';
    TrayBalloon(ProgramName, text);
}

// Not what is stored: a shortcut that could not be registered at start stays stored, unshown,
// until the user chooses another.
int HotkeyInForce() { return App.hotkey; }

bool ApplyHotkey(HWND dialog, int value)
{
    if (SetHotkey((WORD)value))
        return true;
    char name[64];
    char message[128];
    HotkeyText((WORD)value, name, sizeof name);
    _snprintf(message, sizeof message, "The shortcut %s is already in use by another program.",
              name);
    message[sizeof message - 1] = '\0';
    MessageBoxA(dialog, message, OptionsDialogTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void RestoreHotkey(int previous) { SetHotkey((WORD)previous); }

int StartsWithWindowsNow() { return StartsWithWindows() ? 1 : 0; }

// The Run value is written only once the options are stored; failing, it is only reported.
void ApplyStartWithWindows(HWND dialog, int value)
{
    bool startup = value != 0;
    if (!SetStartWithWindows(startup) && !App.dryRun)
        MessageBoxA(dialog,
                    startup ? "OrvelCmd could not be set to start with Windows."
                            : "OrvelCmd could not be kept from starting with Windows.",
                    OptionsDialogTitle, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

const OptionRow HostOptions[] = {
    // caption, kind, key, default, minimum, maximum, choices,
    //     at start, in force, apply, undo, once stored
    {"Shortcut", ROW_HOTKEY, HotkeyKey, 0, 0, 0, NULL,
     RegisterStoredHotkey, HotkeyInForce, ApplyHotkey, RestoreHotkey, NULL},
    {"Start with Windows", ROW_CHECK, NULL, 0, 0, 0, NULL,
     NULL, StartsWithWindowsNow, NULL, NULL, ApplyStartWithWindows},
};
const int HostOptionCount = sizeof HostOptions / sizeof HostOptions[0];

int ReadStoredOption(const OptionRow* row, ConfigCursor* cursor)
{
    if (row->kind == ROW_CHECK)
        return App.kelvor.GetCFGBool(row->key, row->defaultValue ? -1 : 0, cursor) ? 1 : 0;
    return App.kelvor.GetCFGInt(row->key, row->defaultValue, cursor);
}

void StartHostOptions()
{
    int stored[sizeof HostOptions / sizeof HostOptions[0]];
    ConfigCursor cursor;
    App.kelvor.OpenCFGr(App.configPath, &cursor);
    App.kelvor.FindSection(HostSection, 0, &cursor);
    for (int i = 0; i < HostOptionCount; i++)
        stored[i] = HostOptions[i].key ? ReadStoredOption(&HostOptions[i], &cursor)
                                       : HostOptions[i].defaultValue;
    App.kelvor.CloseCFGr(&cursor);
    for (int i = 0; i < HostOptionCount; i++)
        if (HostOptions[i].atStart)
            HostOptions[i].atStart(stored[i]);
}
