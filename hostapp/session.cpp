// What ends or changes the user's session: shutting down, logging off, showing the desktop,
// clearing the recent documents. Nothing here happens without the user's choice, and in dry
// run nothing happens at all: the log says what would be asked and done.
#include "hostapp.h"
#include <shlobj.h>
#include <shldisp.h>

namespace {

const char ShutDownQuestion[] = "Shut down the computer now?";
const char LogOffQuestion[] = "Log off now? Programs that are still running will be closed.";
const DWORD PLANNED_REASON =
    SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED;

// The shell's automation object (Shell.Application); NULL where it is not available.
IShellDispatch* ShellApplication()
{
    IShellDispatch* shell = NULL;
    if (FAILED(CoCreateInstance(CLSID_Shell, NULL, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                                (void**)&shell)))
        return NULL;
    return shell;
}

bool UserAgrees(const char* question)
{
    return MessageBoxA(DialogOwner(), question, ProgramName,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

// A process may shut the machine down only with this privilege enabled in its token; it holds
// it, disabled, when the user may shut down at all.
bool EnableShutdownPrivilege()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

struct Minimising {
    bool apply;   // false: only count
    int count;
};

BOOL CALLBACK MinimiseWindow(HWND window, LPARAM lParam)
{
    Minimising* minimising = (Minimising*)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if (owner == GetCurrentProcessId() || !IsWindowVisible(window) || IsIconic(window) ||
        !(style & WS_MINIMIZEBOX))
        return TRUE;
    minimising->count++;
    // Asynchronous: a window whose program hangs cannot stall the host.
    if (minimising->apply)
        ShowWindowAsync(window, SW_MINIMIZE);
    return TRUE;
}

int MinimiseOtherWindows(bool apply)
{
    Minimising minimising = {apply, 0};
    EnumWindows(MinimiseWindow, (LPARAM)&minimising);
    return minimising.count;
}

}  // namespace

void ShutDownWindows(const char* label)
{
    IShellDispatch* shell = ShellApplication();
    if (App.dryRun) {
        if (shell)
            Log("%s: the shell's shut-down dialog (Shell.Application ShutdownWindows), else ask "
                "\"%s\" and ExitWindowsEx shut down (dry run)", label, ShutDownQuestion);
        else
            Log("%s: ask \"%s\" and ExitWindowsEx shut down (dry run)", label, ShutDownQuestion);
        if (shell)
            shell->Release();
        return;
    }
    if (shell) {
        HRESULT result = shell->ShutdownWindows();
        shell->Release();
        if (SUCCEEDED(result)) {
            Log("%s: the shell's shut-down dialog (Shell.Application ShutdownWindows)", label);
            return;
        }
        Log("%s: Shell.Application ShutdownWindows failed (0x%08lX)", label,
            (unsigned long)result);
    }
    if (!UserAgrees(ShutDownQuestion)) {
        Log("%s: asked \"%s\": no", label, ShutDownQuestion);
        return;
    }
    if (!EnableShutdownPrivilege())
        Log("%s: the shut-down privilege could not be enabled (error %lu)", label,
            (unsigned long)GetLastError());
    if (ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, PLANNED_REASON))
        Log("%s: asked \"%s\": yes; ExitWindowsEx shut down", label, ShutDownQuestion);
    else
        Log("%s: asked \"%s\": yes; ExitWindowsEx shut down failed (error %lu)", label,
            ShutDownQuestion, (unsigned long)GetLastError());
}

void LogOffWindows(const char* label)
{
    if (App.dryRun) {
        Log("%s: ask \"%s\" and ExitWindowsEx log off (dry run)", label, LogOffQuestion);
        return;
    }
    if (!UserAgrees(LogOffQuestion)) {
        Log("%s: asked \"%s\": no", label, LogOffQuestion);
        return;
    }
    if (ExitWindowsEx(EWX_LOGOFF, PLANNED_REASON))
        Log("%s: asked \"%s\": yes; ExitWindowsEx log off", label, LogOffQuestion);
    else
        Log("%s: asked \"%s\": yes; ExitWindowsEx log off failed (error %lu)", label,
            LogOffQuestion, (unsigned long)GetLastError());
}

void ShowDesktop(const char* label)
{
    if (App.dryRun) {
        Log("%s: Shell.Application MinimizeAll, else minimise other windows one by one (%d now) "
            "(dry run)", label, MinimiseOtherWindows(false));
        return;
    }
    IShellDispatch* shell = ShellApplication();
    HRESULT result = shell ? shell->MinimizeAll() : E_NOINTERFACE;
    if (shell)
        shell->Release();
    if (SUCCEEDED(result)) {
        Log("%s: Shell.Application MinimizeAll", label);
        return;
    }
    // Where the shell cannot (Wine only stubs it), the windows are minimised one by one, the
    // host's own and the bar excepted.
    int count = MinimiseOtherWindows(true);
    Log("%s: minimise other windows one by one (%d now; MinimizeAll failed: 0x%08lX)", label,
        count, (unsigned long)result);
}

void ClearRecentDocuments(const char* label)
{
    if (App.dryRun) {
        Log("%s: SHAddToRecentDocs(NULL) empties the recent documents (dry run)", label);
        return;
    }
    SHAddToRecentDocs(SHARD_PIDL, NULL);
    Log("%s: SHAddToRecentDocs(NULL) empties the recent documents", label);
}
