// OrvelCmd.exe: the bar on plain Windows. Starts the plug-in OrvelCmd.plg from its own folder,
// carries out with the Windows shell what the bar asks of its host, and keeps an icon in the
// notification area.
//   OrvelCmd [--dry-run] [--log FILE] [--seconds N]
//   OrvelCmd --exit [--quiet]
//   OrvelCmd --uninstall | --start-with-windows
// --dry-run logs what each request would open or do instead of doing it (the host's own boxes
// still show); --log keeps a line for every message the host receives; --seconds ends the host
// after N seconds (for screenshots); --exit ends the host that runs, as its menu's Exit does,
// and with --quiet shows no box: none running is no failure. --uninstall is what the installer
// runs before it takes the program away: --exit --quiet, and no more starting with Windows;
// --start-with-windows what it runs after an upgrade that found the program starting so.
#include "hostapp.h"
#include "base/optionalentry.h"
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "res/version.h"

namespace {

const int EXIT_START_FAILED = 1;

void ShowStartError(const char* text)
{
    Log("cannot start: %s", text);
    MessageBoxA(NULL, text, ProgramName, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// By default the loader looks for DLLs in the program's folder and the current one too: a
// program started from a downloads folder must not pick up what lies there. The system folder
// alone is searched; the program's own DLLs are loaded by their full paths.
void RestrictDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    // Windows 8 on, and 7 or Vista with their update.
    SetDefaultDllDirectoriesProc setDefault = (SetDefaultDllDirectoriesProc)(void*)OptionalEntry(
        "kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        App.dllSearchRestricted = true;
        return;
    }
    typedef BOOL(WINAPI * SetDllDirectoryProc)(LPCSTR);
    // Absent before XP SP1, where there is no such search to switch off.
    SetDllDirectoryProc setDllDirectory =
        (SetDllDirectoryProc)(void*)OptionalEntry("kernel32.dll", "SetDllDirectoryA");
    if (setDllDirectory)
        setDllDirectory("");
}

struct Arguments {
    int seconds;
    bool exitHost;
    bool quiet;
    bool uninstall;
    bool startWithWindows;
};

bool ParseArguments(Arguments* arguments)
{
    for (int i = 1; i < __argc; i++) {
        if (!strcmp(__argv[i], "--exit")) {
            arguments->exitHost = true;
        } else if (!strcmp(__argv[i], "--quiet")) {
            arguments->quiet = true;
        } else if (!strcmp(__argv[i], "--uninstall")) {
            arguments->uninstall = true;
        } else if (!strcmp(__argv[i], "--start-with-windows")) {
            arguments->startWithWindows = true;
        } else if (!strcmp(__argv[i], "--dry-run")) {
            App.dryRun = true;
        } else if (!strcmp(__argv[i], "--seconds") && i + 1 < __argc) {
            arguments->seconds = atoi(__argv[++i]);
        } else if (!strcmp(__argv[i], "--log") && i + 1 < __argc) {
            // Made absolute now: the current folder changes before the first line is written.
            DWORD length = GetFullPathNameA(__argv[++i], sizeof App.logPath, App.logPath, NULL);
            if (length == 0 || length >= sizeof App.logPath)
                App.logPath[0] = '\0';
        } else {
            return false;
        }
    }
    return true;
}

bool FindOwnFolder()
{
    DWORD length = GetModuleFileNameA(NULL, App.programPath, sizeof App.programPath);
    if (length == 0 || length >= sizeof App.programPath)
        return false;
    lstrcpynA(App.folder, App.programPath, sizeof App.folder);
    char* slash = strrchr(App.folder, '\\');
    if (!slash)
        return false;
    slash[1] = '\0';
    return true;
}

// Programs typed without a folder are looked for in the current folder first: make that the
// user's own folder, not wherever the program happened to be started from.
void MoveToProfileFolder()
{
    char profile[PATH_BYTES];
    if (SHGetFolderPathA(NULL, CSIDL_PROFILE, NULL, SHGFP_TYPE_CURRENT, profile) != S_OK) {
        DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
        if (length == 0 || length >= sizeof profile) {
            Log("no profile folder: the current folder stays");
            return;
        }
    }
    if (!SetCurrentDirectoryA(profile))
        Log("cannot change to the profile folder %s (error %lu)", profile,
            (unsigned long)GetLastError());
}

bool FindConfiguration(char* message, int size)
{
    int length = App.kelvor.KelvorConfigPath(App.configPath, sizeof App.configPath);
    if (length > 0 && length < (int)sizeof App.configPath) {
        Log("configuration %s", App.configPath);
        return true;
    }
    DWORD error = GetLastError();
    App.configPath[0] = '\0';
    _snprintf(message, size,
              "%s%s.ini\n\nThe configuration file is not beside the program, and none could be "
              "found or made in the application data folder.",
              App.folder, ProgramName);
    message[size - 1] = '\0';
    AppendSystemError(message, size, error);
    return false;
}

// The manifest asks for the common controls of version 6, the ones that follow the system's
// look; the options dialog's up-down, slider and hot-key controls come from them.
void StartCommonControls()
{
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    BOOL started = InitCommonControlsEx(&controls);
    DLLVERSIONINFO version;
    ZeroMemory(&version, sizeof version);
    version.cbSize = sizeof version;
    HMODULE library = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)(void*)InitCommonControlsEx, &library);
    DLLGETVERSIONPROC getVersion =
        library ? (DLLGETVERSIONPROC)(void*)GetProcAddress(library, "DllGetVersion") : NULL;
    if (getVersion)
        getVersion(&version);
    char path[PATH_BYTES] = "";
    if (library)
        GetModuleFileNameA(library, path, sizeof path);
    Log("common controls %lu.%lu from %s%s", (unsigned long)version.dwMajorVersion,
        (unsigned long)version.dwMinorVersion, path,
        started ? "" : ": InitCommonControlsEx failed");
}

// --exit, and --uninstall. Quiet, the installer's way, a host that does not run is no failure and
// nothing is shown; the exit code tells.
int EndRunningHost(const Arguments& arguments)
{
    bool quiet = arguments.quiet || arguments.uninstall;
    char message[1024];
    if (!(quiet && !FindWindowA(HostWindowClass, NULL)) &&
        !ExitRunningHost(message, sizeof message)) {
        if (quiet)
            Log("%s", message);
        else
            ShowStartError(message);
        return EXIT_START_FAILED;
    }
    // Only this copy's value goes: another copy of the program may start with Windows instead.
    if (arguments.uninstall && FindOwnFolder() && StartsWithWindows() &&
        !SetStartWithWindows(false))
        return EXIT_START_FAILED;
    return 0;
}

void EndHost(HANDLE instanceMutex, bool oleStarted)
{
    App.ending = true;
    if (App.hotkey)
        SetHotkey(0);
    RemoveTrayIcon();
    UnloadPluginModule();
    if (App.kelvor.library) {
        FreeLibrary(App.kelvor.library);
        ZeroMemory(&App.kelvor, sizeof App.kelvor);
    }
    DestroyHostWindow();
    if (oleStarted)
        OleUninitialize();
    ReleaseSession(instanceMutex);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    App.instance = instance;
    Arguments arguments = {};
    if (!ParseArguments(&arguments)) {
        MessageBoxA(NULL, "Usage: OrvelCmd [--dry-run] [--log FILE] [--seconds N]\n"
                    "       OrvelCmd --exit [--quiet]\n"
                    "       OrvelCmd --uninstall | --start-with-windows", ProgramName,
                    MB_OK | MB_ICONINFORMATION);
        return EXIT_START_FAILED;
    }
    if (arguments.exitHost || arguments.uninstall)
        return EndRunningHost(arguments);
    if (arguments.startWithWindows)
        return FindOwnFolder() && SetStartWithWindows(true) ? 0 : EXIT_START_FAILED;
    int seconds = arguments.seconds;
    char message[1024];
    if (!FindOwnFolder()) {
        ShowStartError("The program's own path is too long.");
        return EXIT_START_FAILED;
    }
    MoveToProfileFolder();

    HANDLE instanceMutex = NULL;
    switch (ClaimSession(&instanceMutex)) {
    case SESSION_OWNED:
        break;
    case SESSION_HANDED_OVER:
        return 0;
    case SESSION_UNREACHABLE:
        ShowStartError("OrvelCmd already runs in this session but does not answer. End it with "
                       "\"OrvelCmd --exit\" or in the Task Manager, then start it again.");
        return EXIT_START_FAILED;
    }
    char current[PATH_BYTES] = "";
    GetCurrentDirectoryA(sizeof current, current);
    Log("%s %s started in %s%s", ProgramName, ORVEL_VERSION_TEXT, current,
        App.dryRun ? " (dry run)" : "");

    // The plug-in attaches the shell's auto-completion, which needs COM on this thread, and
    // never initialises it itself; the shell's dialogs want the apartment model too.
    HRESULT ole = OleInitialize(NULL);
    bool oleStarted = SUCCEEDED(ole);
    if (!oleStarted)
        Log("OleInitialize failed: 0x%08lX", (unsigned long)ole);

    StartCommonControls();

    if (!CreateHostWindow()) {
        _snprintf(message, sizeof message, "The host window could not be created.");
        message[sizeof message - 1] = '\0';
        AppendSystemError(message, sizeof message, GetLastError());
        ShowStartError(message);
        EndHost(instanceMutex, oleStarted);
        return EXIT_START_FAILED;
    }
    if (!LoadKelvor(App.folder, message, sizeof message)) {
        ShowStartError(message);
        EndHost(instanceMutex, oleStarted);
        return EXIT_START_FAILED;
    }
    if (!FindConfiguration(message, sizeof message) ||
        !LoadPluginModule(message, sizeof message)) {
        ShowStartError(message);
        EndHost(instanceMutex, oleStarted);
        return EXIT_START_FAILED;
    }
    StartPluginModule();
    AddTrayIcon();
    StartHostOptions();

    if (seconds > 0)
        SetTimer(App.window, HOSTAPP_TIMER_SECONDS, seconds * 1000, NULL);
    int exitCode = RunHostLoop();
    EndHost(instanceMutex, oleStarted);
    Log("stopped");
    return exitCode;
}
