// The hidden host window: the receiver of every request of the bar, of the tray icon's clicks,
// of the shortcut and of a second start's hand-over. A top-level window, not a message-only
// one: only top-level windows hear the "TaskbarCreated" broadcast.
#include "hostapp.h"

namespace {

UINT taskbarCreated;
bool restartRequested;

// The plug-in runs on this thread, where InSendMessage tells nothing: a message counts as
// posted when the retrieval hook saw it leave the queue, in the host's loop or in any modal
// loop the plug-in runs.
HHOOK retrievalHook;
MSG retrieved;
bool retrievedPending;

LRESULT CALLBACK RetrievalHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        retrieved = *(const MSG*)lParam;
        retrievedPending = true;
    }
    return CallNextHookEx(retrievalHook, code, wParam, lParam);
}

const char* HowSent(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (retrievedPending && retrieved.hwnd == window && retrieved.message == message &&
        retrieved.wParam == wParam && retrieved.lParam == lParam) {
        retrievedPending = false;
        return "posted";
    }
    return "sent";
}

// Whether size bytes at address lie within this thread's stack, where the plug-in keeps the
// records it sends: the platform's limits (Windows 8 on), else the thread information block's.
bool OnThisStack(LPARAM address, size_t size)
{
    typedef VOID(WINAPI * StackLimitsProc)(PULONG_PTR, PULONG_PTR);
    StackLimitsProc limits = (StackLimitsProc)(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "GetCurrentThreadStackLimits");
    ULONG_PTR low, high;
    if (limits) {
        limits(&low, &high);
    } else {
        // The header reads the block through the fs segment, which the compiler takes for a read
        // of address 0x18.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
        const NT_TIB* block = (const NT_TIB*)NtCurrentTeb();
#pragma GCC diagnostic pop
        low = (ULONG_PTR)block->StackLimit;
        high = (ULONG_PTR)block->StackBase;
    }
    ULONG_PTR start = (ULONG_PTR)address;
    return start >= low && start < high && high - start >= size;
}

// The messages that carry a pointer are the plug-in's, sent on this thread: from another
// thread or process, or posted by anyone, the pointer means nothing here and is not read. The
// plug-in's own may come while this thread handles a message another process sent (InSendMessage
// then says "sent"): the record then lies on this thread's stack.
bool FromThePlugin(const char* how, LPARAM lParam, size_t size)
{
    if (lstrcmpA(how, "posted") == 0)
        return false;
    return InSendMessageEx(NULL) == ISMEX_NOSEND || OnThisStack(lParam, size);
}

}  // namespace

bool CreateHostWindow()
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = HostWndProc;
    windowClass.hInstance = App.instance;
    windowClass.hIcon = LoadIconA(App.instance, MAKEINTRESOURCEA(1));
    windowClass.lpszClassName = HostWindowClass;
    if (!RegisterClassA(&windowClass))
        return false;
    taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    App.window = CreateWindowExA(0, HostWindowClass, ProgramName, WS_OVERLAPPED, 0, 0, 0, 0, NULL,
                                 NULL, App.instance, NULL);
    if (!App.window)
        return false;
    retrievalHook = SetWindowsHookExA(WH_GETMESSAGE, RetrievalHook, NULL, GetCurrentThreadId());
    return true;
}

void DestroyHostWindow()
{
    if (retrievalHook) {
        UnhookWindowsHookEx(retrievalHook);
        retrievalHook = NULL;
    }
    if (App.window) {
        DestroyWindow(App.window);
        App.window = NULL;
    }
    UnregisterClassA(HostWindowClass, App.instance);
}

int RunHostLoop()
{
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        // Here, and only here, no call of the plug-in's is on the stack: a restart asked for
        // inside one of its modal loops waits until that call has returned.
        if (restartRequested) {
            restartRequested = false;
            RestartPluginModule();
        }
    }
    App.ending = true;
    return message.message == WM_QUIT ? (int)message.wParam : 0;
}

// From here on a second start is not told that the bar is taken care of: this host still answers
// sent messages (in its loop until WM_QUIT, and inside the cross-process calls that remove the
// tray icon and the app bar), but it will have no bar.
void EndHostLoop(int code)
{
    App.ending = true;
    PostQuitMessage(code);
}

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char* how =
        message >= WM_USER || message == WM_COMMAND ? HowSent(window, message, wParam, lParam) : "";
    switch (message) {
    case HOSTMSG_ASKTOPMOST:
        Log("0x7FBE z-order query (%s): answered 0", how);
        return 0;
    case HOSTMSG_AUTOCOMPLETE:
        Log("0x7FBF auto-completion about to be attached (%s)", how);
        return 0;
    case HOSTMSG_WALLPAPERS:
        Log("0x7FD7 Wallpapers (%s)", how);
        PerformRequest(message, 0);
        return 0;
    case HOSTMSG_SETUPCLOCK:
        Log("0x7FEC SetupClock (%s)", how);
        PerformRequest(message, 0);
        return 0;
    case HOSTMSG_PROPERTIES:
        if (!FromThePlugin(how, lParam, 1)) {
            Log("0x7FD9 Properties (%s) from another thread or posted: ignored", how);
            return 0;
        }
        Log("0x7FD9 Properties (%s): \"%.300s\"", how, lParam ? (const char*)lParam : "");
        PerformRequest(message, 0);
        return 0;
    case HOSTMSG_DIALOGOPENING:
        Log("0x7FE2 dialog opening (%s)", how);
        return 0;
    case HOSTMSG_DIALOGCLOSED:
        Log("0x7FE1 dialog closed (%s)", how);
        return 0;
    case HOSTMSG_COMMAND: {
        if (!FromThePlugin(how, lParam, sizeof(HostCommand))) {
            Log("0x7FF1 host command (%s) from another thread or posted: ignored", how);
            return 0;
        }
        if (!lParam) {
            Log("0x7FF1 host command (%s) without its record: ignored", how);
            return 0;
        }
        DWORD action = ((const HostCommand*)lParam)->action;
        Log("0x7FF1 host command (%s): action %lu %s", how, (unsigned long)action,
            ActionName(action));
        PerformRequest(message, action);
        return 0;
    }
    case HOSTAPP_TRAY:
        TrayNotification(lParam);
        return 0;
    case HOSTAPP_RESTART:
        Log("restart of the plug-in asked (%s)", how);
        restartRequested = true;
        return 0;
    case HOSTAPP_ACTIVATE:
        if (App.ending) {
            Log("a second start asked for the bar while this host ends: it starts its own");
            return 0;
        }
        Log("bar to the front, asked by a second start (%s)", how);
        ActivateBar();
        return HOSTAPP_TAKEN;
    case WM_COMMAND:
        Log("menu command %u (%s)", (unsigned)LOWORD(wParam), how);
        RunTrayCommand(LOWORD(wParam));
        return 0;
    case WM_HOTKEY:
        Log("shortcut pressed");
        ActivateBar();
        return 0;
    // The restart manager (an installer replacing or removing the program) asks with
    // ENDSESSION_CLOSEAPP, then says so with WM_ENDSESSION: only then does the host end, as its
    // Exit does. A WM_CLOSE, which it sends to a program that did not end, is the same request.
    case WM_QUERYENDSESSION:
        Log("end of session asked (0x%lX): agreed", (unsigned long)lParam);
        return TRUE;
    case WM_ENDSESSION:
        Log("end of session (%s, 0x%lX)", wParam ? "it ends" : "cancelled", (unsigned long)lParam);
        if (wParam && (lParam & ENDSESSION_CLOSEAPP))
            EndHostLoop(0);
        return 0;
    case WM_CLOSE:
        Log("asked to close");
        EndHostLoop(0);
        return 0;
    case WM_TIMER:
        if (wParam == HOSTAPP_TIMER_SECONDS) {
            KillTimer(window, wParam);
            Log("time is up");
            EndHostLoop(0);
        }
        return 0;
    default:
        if (message == taskbarCreated && taskbarCreated) {
            // A new taskbar knows no icons; one that only says so again still has ours.
            Log("the taskbar was created again: the tray icon is put back");
            RemoveTrayIcon();
            AddTrayIcon();
            return 0;
        }
        if (message >= WM_USER && message < 0xC000) {
            // Whole: in the x64 program both are 64 bits wide.
            Log("0x%04X unknown private message (%s): wParam 0x%I64X, lParam 0x%I64X: ignored",
                message, how, (unsigned long long)wParam, (unsigned long long)(ULONG_PTR)lParam);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
