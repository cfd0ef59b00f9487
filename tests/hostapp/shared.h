// What the host program's tests look for alike: a dialog's fields by their labels, the Run value.
#pragma once
#include <windows.h>
#include <string>
#include "harness/testhost.h"
#include "hostapp/hostapp.h"

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A check box by its text; a field by the label before it.
inline HWND WithText(HWND dialog, const char* text)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return child;
    return NULL;
}

inline HWND FieldOf(HWND dialog, const char* label) { return GetWindow(WithText(dialog, label), GW_HWNDNEXT); }

// The "OrvelCmd" value of the current user's Run key, "(none)" when there is none.
inline std::string RunValue()
{
    HKEY key;
    char value[MAX_PATH + 8] = "";
    DWORD size = sizeof value - 1, type = REG_NONE;
    if (!RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key)) {
        if (RegQueryValueExA(key, "OrvelCmd", NULL, &type, (BYTE*)value, &size))
            type = REG_NONE;
        RegCloseKey(key);
    }
    return type == REG_SZ ? value : "(none)";
}

// The test host stands in for the host program's window, plug-in and configuration, with the
// kelvor.dll in BinFolder() found as the program finds it; false, with the reason, if it is not.
inline bool ActAsHostProgram(char* problem, int size)
{
    if (!LoadKelvor(BinFolder().c_str(), problem, size))
        return false;
    App.instance = GetModuleHandleA(NULL);
    App.window = Host.mainWindow;
    App.info = Host.GetPluginInfo();
    lstrcpynA(App.configPath, Host.configPath, MAX_PATH);
    return true;
}
