// One host per user session. A second start makes no second bar: it brings the first host's bar
// to the front and ends.
#include "hostapp.h"

namespace {

// In the session's namespace: another user's session on the same machine has a host of its own.
const char InstanceMutexName[] = "Local\\OrvelCmd.Host";
// The first host makes its window a moment after it takes the name; a second start waits that
// long for it, no longer.
const DWORD HANDOVER_WAIT_MS = 5000;
const DWORD HANDOVER_SEND_MS = 5000;

void HandOver(HWND first)
{
    DWORD firstProcess = 0;
    GetWindowThreadProcessId(first, &firstProcess);
    // The first host may take the foreground only because this start, the user's, lets it.
    AllowSetForegroundWindow(firstProcess);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(first, HOSTAPP_ACTIVATE, 0, 0, SMTO_ABORTIFHUNG, HANDOVER_SEND_MS,
                             &answer))
        Log("the first host did not answer (error %lu)", (unsigned long)GetLastError());
}

}  // namespace

SessionClaim ClaimSession(HANDLE* mutex)
{
    *mutex = NULL;
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE handle = CreateMutexA(NULL, FALSE, InstanceMutexName);
        DWORD error = GetLastError();
        if (handle && error != ERROR_ALREADY_EXISTS) {
            *mutex = handle;
            return SESSION_OWNED;
        }
        if (handle)
            CloseHandle(handle);
        else if (error != ERROR_ACCESS_DENIED) {
            // No lock to be had at all: a bar without one beats no bar.
            Log("no single-instance lock (error %lu): running anyway", (unsigned long)error);
            return SESSION_OWNED;
        }
        HWND first = FindWindowA(HostWindowClass, NULL);
        if (first) {
            Log("a host runs already: its bar comes to the front");
            HandOver(first);
            return SESSION_HANDED_OVER;
        }
        // The first host may also just have ended, freeing the name: the next round takes it.
        if (GetTickCount() - start >= HANDOVER_WAIT_MS) {
            Log("a host holds the session but has no window");
            return SESSION_UNREACHABLE;
        }
        Sleep(100);
    }
}
