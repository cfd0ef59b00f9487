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

const char LongSystemFolder[] = "the system folder's name is too long";

void Unresolved(ActionPlan* plan, const char* problem)
{
    plan->what = PLAN_UNRESOLVED;
    lstrcpynA(plan->problem, problem, sizeof plan->problem);
}

// A page of the Settings app on Windows 10 and later, else the control panel with the
// parameters of Vista to 8.1 where they differ from XP's applet; the control panel is also what
// a failed Settings page falls back to.
void SettingsPage(ActionPlan* plan, DWORD major, const char* settingsPage,
                  const char* vistaParameters, const char* applet)
{
    ShellTarget* panel = major >= 10 ? &plan->fallback : &plan->target;
    if (!ProgramTarget(panel, "control.exe",
                       major >= 6 && vistaParameters ? vistaParameters : applet)) {
        Unresolved(plan, LongSystemFolder);
        return;
    }
    plan->hasFallback = major >= 10;
    if (major >= 10)
        FileTarget(&plan->target, NULL, settingsPage);
}

void ShellFolder(ActionPlan* plan, int csidl)
{
    if (!FolderTarget(&plan->target, csidl)) {
        _snprintf(plan->problem, sizeof plan->problem, "the shell knows no folder %d here", csidl);
        plan->problem[sizeof plan->problem - 1] = '\0';
        plan->what = PLAN_UNRESOLVED;
    }
}

void ControlPanelHome(ActionPlan* plan)
{
    if (!ProgramTarget(&plan->target, "control.exe", NULL))
        Unresolved(plan, LongSystemFolder);
}

// The "find" verb opens the file search on every version; it searches from the folder it is
// given, and the user's own files are what is looked for most.
void FileSearch(ActionPlan* plan)
{
    char profile[PATH_BYTES];
    if (SHGetFolderPathA(NULL, CSIDL_PROFILE, NULL, SHGFP_TYPE_CURRENT, profile) != S_OK ||
        !FileTarget(&plan->target, "find", profile))
        Unresolved(plan, "no profile folder to search from");
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

void ResolveRequest(UINT message, DWORD action, DWORD major, ActionPlan* plan)
{
    ZeroMemory(plan, sizeof *plan);
    plan->what = PLAN_TARGET;
    switch (message == HOSTMSG_COMMAND ? action : message) {
    case HOSTACTION_ABOUT: plan->what = PLAN_ABOUT_BOX; break;
    case HOSTACTION_RECYCLE: ShellFolder(plan, CSIDL_BITBUCKET); break;
    case HOSTACTION_MYCOMPUTER: ShellFolder(plan, CSIDL_DRIVES); break;
    case HOSTACTION_PRINTERS: ShellFolder(plan, CSIDL_PRINTERS); break;
    case HOSTACTION_RECENT: ShellFolder(plan, CSIDL_RECENT); break;
    case HOSTACTION_SHUTDOWN: plan->what = PLAN_SHUT_DOWN; break;
    case HOSTACTION_LOGOFF: plan->what = PLAN_LOG_OFF; break;
    case HOSTACTION_CPANEL: ControlPanelHome(plan); break;
    case HOSTACTION_MASTER:
    case HOSTMSG_PROPERTIES: plan->what = PLAN_OPTIONS; break;
    case HOSTACTION_FIND: FileSearch(plan); break;
    case HOSTACTION_SCREEN: SettingsPage(plan, major, "ms-settings:display", NULL, "desk.cpl"); break;
    case HOSTACTION_CLEARRECENT: plan->what = PLAN_CLEAR_RECENT; break;
    case HOSTACTION_DESKTOP: plan->what = PLAN_SHOW_DESKTOP; break;
    // XP's display properties open on their background tab with index 0.
    case HOSTMSG_WALLPAPERS:
        SettingsPage(plan, major, "ms-settings:personalization-background",
                     "/name Microsoft.Personalization /page pageWallpaper", "desk.cpl,,0");
        break;
    case HOSTMSG_SETUPCLOCK:
        SettingsPage(plan, major, "ms-settings:dateandtime", NULL, "timedate.cpl");
        break;
    default: plan->what = PLAN_IGNORED; break;
    }
}

void FreePlan(ActionPlan* plan)
{
    FreeTarget(&plan->target);
    FreeTarget(&plan->fallback);
}

void PerformRequest(UINT message, DWORD action)
{
    char label[64];
    if (message == HOSTMSG_COMMAND)
        _snprintf(label, sizeof label, "action %lu %s", (unsigned long)action, ActionName(action));
    else
        _snprintf(label, sizeof label, "0x%04X %s", message,
                  message == HOSTMSG_WALLPAPERS   ? "Wallpapers"
                  : message == HOSTMSG_SETUPCLOCK ? "SetupClock"
                                                  : "Properties");
    label[sizeof label - 1] = '\0';
    ActionPlan plan;
    ResolveRequest(message, action, WindowsMajorVersion(), &plan);
    switch (plan.what) {
    case PLAN_TARGET: OpenTarget(label, &plan.target, plan.hasFallback ? &plan.fallback : NULL); break;
    case PLAN_ABOUT_BOX: ShowAbout(label); break;
    case PLAN_OPTIONS: OpenOptions(label); break;
    case PLAN_SHUT_DOWN: ShutDownWindows(label); break;
    case PLAN_LOG_OFF: LogOffWindows(label); break;
    case PLAN_SHOW_DESKTOP: ShowDesktop(label); break;
    case PLAN_CLEAR_RECENT: ClearRecentDocuments(label); break;
    case PLAN_UNRESOLVED: Log("%s: %s", label, plan.problem); break;
    case PLAN_IGNORED: Log("%s: ignored", label); break;
    }
    FreePlan(&plan);
}
