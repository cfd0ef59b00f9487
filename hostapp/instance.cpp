// One host per user session. A second start makes no second bar: it brings the first host's bar
// to the front and ends. The first host owns the session's lock until it has taken its bar away:
// a start that the first host does not answer as taken, because it is ending, waits for the lock
// instead and becomes the host.
#include "hostapp.h"
#include <stdio.h>

namespace {

// In the session's namespace: another user's session on the same machine has a host of its own.
const char InstanceMutexName[] = "Local\\OrvelCmd.Host";
// The first host makes its window a moment after it takes the name, and an ending one lets the
// lock go a moment after its window is gone; a second start waits that long, no longer.
const DWORD HANDOVER_WAIT_MS = 5000;
const DWORD HANDOVER_SEND_MS = 5000;
const DWORD LOCK_POLL_MS = 100;
const DWORD EXIT_WAIT_MS = 10000;

bool HandOver(HWND first)
{
    DWORD firstProcess = 0;
    GetWindowThreadProcessId(first, &firstProcess);
    // The first host may take the foreground only because this start, the user's, lets it.
    AllowSetForegroundWindow(firstProcess);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(first, HOSTAPP_ACTIVATE, 0, 0, SMTO_ABORTIFHUNG, HANDOVER_SEND_MS,
                             &answer)) {
        Log("the first host did not answer (error %lu)", (unsigned long)GetLastError());
        return false;
    }
    // An ending host still answers, and would leave no bar.
    if (answer != (DWORD_PTR)HOSTAPP_TAKEN) {
        Log("the first host is ending");
        return false;
    }
    return true;
}

}  // namespace

SessionClaim ClaimSession(HANDLE* mutex)
{
    *mutex = NULL;
    HANDLE handle = CreateMutexA(NULL, TRUE, InstanceMutexName);
    DWORD error = GetLastError();
    if (handle && error != ERROR_ALREADY_EXISTS) {
        *mutex = handle;
        return SESSION_OWNED;
    }
    if (!handle && error != ERROR_ACCESS_DENIED) {
        // No lock to be had at all: a bar without one beats no bar.
        Log("no single-instance lock (error %lu): running anyway", (unsigned long)error);
        return SESSION_OWNED;
    }
    DWORD start = GetTickCount();
    HWND refused = NULL;
    for (;;) {
        HWND first = FindWindowA(HostWindowClass, NULL);
        if (first && first != refused) {
            Log("a host runs already: its bar comes to the front");
            if (HandOver(first)) {
                if (handle)
                    CloseHandle(handle);
                return SESSION_HANDED_OVER;
            }
            refused = first;
            // The wait for the lock begins now: the first host was ending, not starting.
            start = GetTickCount();
        }
        // The lock of a host that ended, or that ended without letting it go, is this one's.
        DWORD waited = handle ? WaitForSingleObject(handle, LOCK_POLL_MS) : WAIT_TIMEOUT;
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            Log("the host before has ended: this one takes the session");
            *mutex = handle;
            return SESSION_OWNED;
        }
        if (GetTickCount() - start >= HANDOVER_WAIT_MS) {
            Log("a host holds the session but does not answer");
            if (handle)
                CloseHandle(handle);
            return SESSION_UNREACHABLE;
        }
        if (!handle)
            Sleep(LOCK_POLL_MS);
    }
}

void ReleaseSession(HANDLE mutex)
{
    if (!mutex)
        return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

bool ExitRunningHost(char* message, int size)
{
    HWND host = FindWindowA(HostWindowClass, NULL);
    if (!host) {
        _snprintf(message, size, "OrvelCmd does not run in this session.");
        message[size - 1] = '\0';
        return false;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(host, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    // The same road as the menu's Exit.
    bool ended = PostMessageA(host, WM_COMMAND, IDM_HOST_EXIT, 0) &&
                 (!process || WaitForSingleObject(process, EXIT_WAIT_MS) == WAIT_OBJECT_0);
    if (process)
        CloseHandle(process);
    if (!ended) {
        _snprintf(message, size, "OrvelCmd runs in this session but did not end when asked.");
        message[size - 1] = '\0';
    }
    return ended;
}
