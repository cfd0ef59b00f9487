// The host program: what its parts share. One record, App, holds the program's state; each file
// holds one concern (loading the plug-in, the host window, the actions, the tray icon, the
// options dialog, start with Windows, the shortcut, the log).
#pragma once
#include <windows.h>
#include "host/records.h"
#include "host/messages.h"
#include "host/kelvor.h"
#include "kelvor/configfile.h"   // PATH_BYTES

typedef PluginInfo*(__stdcall* GetPluginInfoProc)();
typedef void(__stdcall* InitGlobalModuleProc)(HostContext*);
typedef void(__stdcall* DoneModuleProc)();

// The helper library's functions the host itself calls, loaded at run time (kelvorapi.cpp).
struct KelvorApi {
    HMODULE library;
    void(__stdcall* OpenCFGr)(void* configuration, ConfigCursor* cursor);
    void(__stdcall* CloseCFGr)(ConfigCursor* cursor);
    void(__stdcall* OpenCFGw)(void* configuration, ConfigCursor* cursor);
    // FALSE when the values could not be stored, the last error saying why.
    BOOL(__stdcall* CloseCFGw)(void* configuration, int reserved, ConfigCursor* cursor);
    void(__stdcall* FindSection)(const char* section, int forWriting, ConfigCursor* cursor);
    int(__stdcall* GetCFGInt)(const char* key, int fallback, ConfigCursor* cursor);
    BOOL(__stdcall* GetCFGBool)(const char* key, int fallback, ConfigCursor* cursor);
    void(__stdcall* SetCFGInt)(const char* key, int value, ConfigCursor* cursor);
    // The configuration file the host should use; its length, 0 when none could be found.
    int(__stdcall* KelvorConfigPath)(char* path, int size);
    // Where the library reports the plug-in's failed saves.
    void(__stdcall* KelvorSetLog)(void(__stdcall* line)(const char* text));
};

// The host's own settings live in the configuration beside the plug-in's, in this section.
extern const char HostSection[];      // "OrvelHost"
extern const char HotkeyKey[];        // "Hotkey": HKM_GETHOTKEY's value, 0 for none
extern const char ProgramName[];      // "OrvelCmd"
extern const char HostWindowClass[];  // "OrvelCmdHost": how a second start finds the first

// Private messages of the host window to itself (beyond the plug-in's, in host/messages.h).
enum HostAppMessage : UINT {
    HOSTAPP_TRAY = WM_APP + 1,     // the notification-area icon's callback
    HOSTAPP_RESTART,               // posted: stop and start the plug-in again (new options)
    HOSTAPP_ACTIVATE,              // sent by a second start: bar to the front, focus in its line
};
// The answer to HOSTAPP_ACTIVATE of a host that keeps running: the second start may end. Any
// other answer comes from a host that is ending (or from no host of ours).
const LRESULT HOSTAPP_TAKEN = 0x4F52;

const UINT_PTR HOSTAPP_TIMER_SECONDS = 1;   // --seconds: the host ends when it fires

// Commands of the tray menu, also accepted as WM_COMMAND by the host window.
enum HostAppCommand {
    IDM_HOST_OPTIONS = 200,
    IDM_HOST_STARTWITHWINDOWS = 201,
    IDM_HOST_EXIT = 202,
};

struct HostApp {
    HINSTANCE instance;
    HWND window;                     // hidden: the plug-in's messages, tray callbacks, the hotkey
    char folder[PATH_BYTES];         // the program's folder, ending with a backslash
    char programPath[PATH_BYTES];    // the program's full path
    char configPath[PATH_BYTES];     // the configuration reference handed to the plug-in
    char logPath[PATH_BYTES];        // empty: no log
    bool dryRun;                     // log actions with their targets instead of carrying them out
    bool dllSearchRestricted;        // DLLs are looked for in the system folder only
    KelvorApi kelvor;
    // The plug-in.
    HMODULE module;
    GetPluginInfoProc GetPluginInfo;
    InitGlobalModuleProc InitGlobalModule;
    DoneModuleProc DoneModule;
    PluginInfo* info;
    HostContext context;
    HostPluginRecord record;
    char recordText[HOST_TEXT_MAX + 1];
    bool started;
    bool stopping;                   // inside the plug-in's DoneModule
    // The host's own state.
    WORD hotkey;                     // registered shortcut (HKM_GETHOTKEY form), 0 for none
    bool trayShown;
    HWND optionsDialog;              // while the options dialog is open
    bool ending;                     // the host has begun to end: it hands the session to no one
};
extern HostApp App;

// log.cpp
void Log(const char* format, ...);

// The kind of Windows this program is built for, as the user's download names it.
#ifdef _WIN64
#define BUILD_KIND "64-bit"
#else
#define BUILD_KIND "32-bit"
#endif
// modulekind.cpp: true when path is a module of the other kind (a 32-bit one for the 64-bit
// program, or the reverse), which this program cannot load; problem then says so, naming the
// file as what ("The plug-in OrvelCmd.plg").
bool OtherKindOfModule(const char* path, const char* what, char* problem, int size);

// kelvorapi.cpp: loads kelvor.dll from the program's folder. On failure, message names what is
// missing (the file or a function) and false is returned.
bool LoadKelvor(const char* folder, char* message, int size);
// One of the program's own DLLs by its full path; its imports are looked for beside it and in
// the system folder.
HMODULE LoadProgramLibrary(const char* path);

// A row of the options dialog. The plug-in's rows come from its options table; the host's own
// are one row each in HostOptions (hostoptions.cpp): a new host option is a row there and its
// effect.
enum RowKind { ROW_NUMBER, ROW_BOUNDED, ROW_SLIDER, ROW_CHECK, ROW_CHOICE, ROW_HOTKEY };
struct OptionRow {
    const char* caption;
    RowKind kind;
    const char* key;             // in the host's section; NULL: kept elsewhere
    int defaultValue;            // where nothing is stored
    int minimum, maximum;        // a bounded number's or a slider's range
    const char* choices;         // a choice's captions in the order of their values, each ended
                                 // by a NUL and the last by two
    // How it is loaded, applied and undone; NULL where there is nothing to do.
    void (*atStart)(int stored);                  // at the program's start
    int (*inForce)();                             // what the dialog shows; NULL: the stored value
    bool (*apply)(HWND dialog, int value);        // changed, before the save; false refuses OK,
                                                  // having said why
    void (*undo)(int previous);                   // after apply, when the save then fails
    void (*applyStored)(HWND dialog, int value);  // changed, once stored
};
extern const OptionRow HostOptions[];
extern const int HostOptionCount;
extern const char OptionsDialogTitle[];   // "OrvelCmd Options"

// hostoptions.cpp: a row's stored value, read through an open cursor (0 or 1 for a check box);
// and at the program's start every host option's stored value to its atStart.
int ReadStoredOption(const OptionRow* row, ConfigCursor* cursor);
void StartHostOptions();

// options.cpp: the options dialog, the plug-in's rows and then the host's. Returns true when the
// user pressed OK and the values were stored; the caller then restarts the plug-in.
bool ShowOptionsDialog(HWND owner);
bool RunOptionsDialog(HWND owner, const OptionRow* hostRows, int hostRowCount);
void OpenOptions(const char* label);   // the options dialog, or the open one to the front

// startup.cpp: the value in the current user's Run key.
bool StartsWithWindows();
bool SetStartWithWindows(bool on);   // false when the registry refused (or logged only, dry run)

// hotkey.cpp: registers the shortcut for the host window; false when another program has it.
// 0 removes the shortcut.
bool SetHotkey(WORD hotkey);
void HotkeyText(WORD hotkey, char* text, int size);   // "Ctrl+Alt+O"


// hostwnd.cpp
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool CreateHostWindow();   // App.window; false when the class or window cannot be made
void DestroyHostWindow();
int RunHostLoop();         // the exit code EndHostLoop gave
void EndHostLoop(int code);   // the host ends once the calls on its stack have returned

// plugin.cpp. Named apart from the test host's StartPlugin/StopPlugin, which tests link as well.
extern const char PluginFileName[];   // "OrvelCmd.plg"
bool LoadPluginModule(char* message, int size);   // false: message says what is wrong
void StartPluginModule();
void StopPluginModule();
void RestartPluginModule();   // only from the message loop, never inside a call of the plug-in's
void UnloadPluginModule();
void ActivateBar();        // the bar (or the box it waits on) to the front, focus in its line
HWND DialogOwner();        // the bar while it exists (it is topmost), else the host window

// tray.cpp
void AddTrayIcon();
void RemoveTrayIcon();
void ShowTrayMenu();
void TrayBalloon(const char* title, const char* text);
void TrayNotification(LPARAM event);   // HOSTAPP_TRAY's lParam: the mouse message
void RunTrayCommand(int id);           // IDM_HOST_*

// shellopen.cpp: targets for the shell, carried out or, in dry run, only logged.
struct ShellTarget {
    const char* verb;            // NULL: the default verb
    char file[PATH_BYTES + 64];  // program, document, address, or the folder's parsing name
    char parameters[128];
    void* idList;                // a shell folder's item ID list (file is then its name), or NULL
};
bool ProgramTarget(ShellTarget* target, const char* systemProgram, const char* parameters);
bool FolderTarget(ShellTarget* target, int csidl);
bool FileTarget(ShellTarget* target, const char* verb, const char* file);
void FreeTarget(ShellTarget* target);
// Logs "label: what" and opens it; with a fallback, that is opened when the first fails.
bool OpenTarget(const char* label, ShellTarget* target, ShellTarget* fallback);

// actions.cpp: what each request of the bar comes to on Windows of a major version, and that
// carried out (in dry run, logged). A request is HOSTMSG_COMMAND with its action code, or one of
// the host messages 0x7FD7 Wallpapers, 0x7FEC SetupClock and 0x7FD9 Properties.
enum PlanKind {
    PLAN_TARGET,        // the target opened, the fallback where that fails
    PLAN_ABOUT_BOX, PLAN_OPTIONS, PLAN_SHUT_DOWN, PLAN_LOG_OFF, PLAN_SHOW_DESKTOP,
    PLAN_CLEAR_RECENT,
    PLAN_UNRESOLVED,    // problem says why nothing can be opened here
    PLAN_IGNORED,       // an action code no host knows
};
struct ActionPlan {
    PlanKind what;
    ShellTarget target;
    ShellTarget fallback;
    bool hasFallback;
    char problem[64];
};
void ResolveRequest(UINT message, DWORD action, DWORD windowsMajor, ActionPlan* plan);
void FreePlan(ActionPlan* plan);
void PerformRequest(UINT message, DWORD action);
const char* ActionName(DWORD action);

// session.cpp: what ends or changes the user's session.
void ShutDownWindows(const char* label);
void LogOffWindows(const char* label);
void ShowDesktop(const char* label);
void ClearRecentDocuments(const char* label);

// errortext.cpp: appends "\n\n<the system's text>(error N)" to message, bounded; nothing for 0.
// The text's inserts ("%1") name the file given, or are left out without one.
void AppendSystemError(char* message, int size, DWORD error, const char* file = NULL);
// The system's text with its inserts so treated, into text (size bytes), without a line end.
void SystemErrorText(DWORD error, const char* file, char* text, int size);
// "<path>\n\n<problem>" and the system's text for error: why a file of the program cannot serve.
void DescribeFileProblem(const char* path, const char* problem, DWORD error, char* message,
                         int size);

// instance.cpp: one host per user session.
enum SessionClaim { SESSION_OWNED, SESSION_HANDED_OVER, SESSION_UNREACHABLE };
SessionClaim ClaimSession(HANDLE* mutex);
void ReleaseSession(HANDLE mutex);
// --exit: asks the session's host to end as its Exit does, and waits for it; false when there
// is none or it would not end.
bool ExitRunningHost(char* message, int size);
