// What the host does for each request of the bar: Windows' own places and dialogs, chosen so that
// they open on every Windows from XP to 11, the newer page first where a newer Windows has one.
#include "hostapp.h"
#include "base/optionalentry.h"
#include "command/dotcommands.h"
#include <shlobj.h>
#include <stdio.h>
#include "res/version.h"

namespace {

// The bar's names for the host's actions: the dot commands that ask for them.
struct ActionEntry {
    DWORD code;
    const char* name;
};
#define ACTION_NAME_ROW(name, action, posted, handler, recorded, listed) {action, #name},
const ActionEntry ActionNames[] = {DOT_COMMANDS(ACTION_NAME_ROW)};
#undef ACTION_NAME_ROW

// The major version of the running Windows. RtlGetVersion tells the truth; GetVersionEx does too
// here, because the manifest names every Windows up to 11 as supported.
DWORD WindowsMajorVersion()
{
    typedef LONG(WINAPI * RtlGetVersionProc)(OSVERSIONINFOW*);
    RtlGetVersionProc rtlGetVersion =
        (RtlGetVersionProc)(void*)OptionalEntry("ntdll.dll", "RtlGetVersion");
    if (rtlGetVersion) {
        OSVERSIONINFOW version;
        ZeroMemory(&version, sizeof version);
        version.dwOSVersionInfoSize = sizeof version;
        if (rtlGetVersion(&version) == 0)
            return version.dwMajorVersion;
    }
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) ? version.dwMajorVersion : 5;
}

// A page of the Settings app on Windows 10 and later, else the control panel with the
// parameters of Vista to 8.1 where they differ from XP's applet; the control panel is also what
// a failed Settings page falls back to.
void OpenSettingsPage(const char* label, const char* settingsPage, const char* vistaParameters,
                      const char* applet)
{
    DWORD major = WindowsMajorVersion();
    ShellTarget panel;
    if (!ProgramTarget(&panel, "control.exe",
                       major >= 6 && vistaParameters ? vistaParameters : applet)) {
        Log("%s: the system folder's name is too long", label);
        return;
    }
    if (major >= 10) {
        ShellTarget page;
        FileTarget(&page, NULL, settingsPage);
        OpenTarget(label, &page, &panel);
    } else {
        OpenTarget(label, &panel, NULL);
    }
}

void OpenFolder(const char* label, int csidl)
{
    ShellTarget folder;
    if (!FolderTarget(&folder, csidl)) {
        Log("%s: the shell knows no folder %d here", label, csidl);
        return;
    }
    OpenTarget(label, &folder, NULL);
    FreeTarget(&folder);
}

void OpenControlPanelHome(const char* label)
{
    ShellTarget panel;
    if (ProgramTarget(&panel, "control.exe", NULL))
        OpenTarget(label, &panel, NULL);
    else
        Log("%s: the system folder's name is too long", label);
}

// The "find" verb opens the file search on every version; it searches from the folder it is
// given, and the user's own files are what is looked for most.
void FindFiles(const char* label)
{
    char profile[PATH_BYTES];
    ShellTarget search;
    if (SHGetFolderPathA(NULL, CSIDL_PROFILE, NULL, SHGFP_TYPE_CURRENT, profile) != S_OK ||
        !FileTarget(&search, "find", profile)) {
        Log("%s: no profile folder to search from", label);
        return;
    }
    OpenTarget(label, &search, NULL);
}

void ShowAbout(const char* label)
{
    char text[2048];
    _snprintf(text, sizeof text, "%s\r\n\r\n%s.exe version %s",
              App.info && App.info->about ? App.info->about : "", ProgramName,
              ORVEL_VERSION_TEXT);
    text[sizeof text - 1] = '\0';
    Log("%s: about box", label);
    char caption[64];
    _snprintf(caption, sizeof caption, "About %s", ProgramName);
    caption[sizeof caption - 1] = '\0';
    MessageBoxA(DialogOwner(), text, caption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

const char* ActionName(DWORD action)
{
    for (const ActionEntry& entry : ActionNames)
        if (entry.code != 0 && entry.code == action)
            return entry.name;
    return "unknown";
}

void PerformAction(DWORD action)
{
    char label[64];
    _snprintf(label, sizeof label, "action %lu %s", (unsigned long)action, ActionName(action));
    label[sizeof label - 1] = '\0';
    switch (action) {
    case HOSTACTION_ABOUT:
        ShowAbout(label);
        break;
    case HOSTACTION_RECYCLE:
        OpenFolder(label, CSIDL_BITBUCKET);
        break;
    case HOSTACTION_MYCOMPUTER:
        OpenFolder(label, CSIDL_DRIVES);
        break;
    case HOSTACTION_PRINTERS:
        OpenFolder(label, CSIDL_PRINTERS);
        break;
    case HOSTACTION_RECENT:
        OpenFolder(label, CSIDL_RECENT);
        break;
    case HOSTACTION_SHUTDOWN:
        ShutDownWindows(label);
        break;
    case HOSTACTION_LOGOFF:
        LogOffWindows(label);
        break;
    case HOSTACTION_CPANEL:
        OpenControlPanelHome(label);
        break;
    case HOSTACTION_MASTER:
        OpenOptions(label);
        break;
    case HOSTACTION_FIND:
        FindFiles(label);
        break;
    case HOSTACTION_SCREEN:
        OpenSettingsPage(label, "ms-settings:display", NULL, "desk.cpl");
        break;
    case HOSTACTION_CLEARRECENT:
        ClearRecentDocuments(label);
        break;
    case HOSTACTION_DESKTOP:
        ShowDesktop(label);
        break;
    default:
        Log("%s: ignored", label);
        break;
    }
}

void PerformHostMessage(UINT message)
{
    switch (message) {
    case HOSTMSG_WALLPAPERS:
        // XP's display properties open on their background tab with index 0.
        OpenSettingsPage("0x7FD7 Wallpapers", "ms-settings:personalization-background",
                         "/name Microsoft.Personalization /page pageWallpaper", "desk.cpl,,0");
        break;
    case HOSTMSG_SETUPCLOCK:
        OpenSettingsPage("0x7FEC SetupClock", "ms-settings:dateandtime", NULL, "timedate.cpl");
        break;
    case HOSTMSG_PROPERTIES:
        OpenOptions("0x7FD9 Properties");
        break;
    }
}
