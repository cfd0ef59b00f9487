// Stand-in for the host shell: loads OrvelCmd.plg beside it, lends it what a host lends, and
// writes every private message it receives to standard output and to orvelhost.log.
//   orvelhost [--seconds N] [--log FILE] [--behind]
// --seconds ends the host after N seconds (for screenshots); --behind answers 0x7FBE with 1, so
// the bar is not topmost. The configuration is orvelhost.ini in the host's folder.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "../host/records.h"
#include "../host/messages.h"

typedef PluginInfo*(__stdcall* GetPluginInfoProc)();
typedef void(__stdcall* InitGlobalModuleProc)(HostContext*);
typedef void(__stdcall* DoneModuleProc)();

static char hostFolder[MAX_PATH];
static char configPath[MAX_PATH];
static char logPath[MAX_PATH];
static char hostText[HOST_TEXT_MAX + 1] = "OrvelCmd.plg";
static PluginInfo* info;
static HWND logList;
static int answerTopmost = 0;

static void Log(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    _vsnprintf(line, sizeof line - 1, format, args);
    line[sizeof line - 1] = '\0';
    va_end(args);
    printf("%s\n", line);
    fflush(stdout);
    FILE* file = fopen(logPath, "a");
    if (file) {
        fprintf(file, "%s\n", line);
        fclose(file);
    }
    if (logList) {
        int index = (int)SendMessageA(logList, LB_ADDSTRING, 0, (LPARAM)line);
        SendMessageA(logList, LB_SETCURSEL, index, 0);
    }
}

static const char* ActionName(DWORD code)
{
    switch (code) {
    case HOSTACTION_SHUTDOWN: return "ShutDown";
    case HOSTACTION_RECYCLE: return "Recycle";
    case HOSTACTION_DESKTOP: return "Desktop";
    case HOSTACTION_CLEARRECENT: return "ClearRecent";
    case HOSTACTION_SCREEN: return "Screen";
    case HOSTACTION_FIND: return "Find";
    case HOSTACTION_LOGOFF: return "Logoff";
    case HOSTACTION_MASTER: return "Master";
    case HOSTACTION_ABOUT: return "About";
    case HOSTACTION_RECENT: return "Recent";
    case HOSTACTION_CPANEL: return "CPanel";
    case HOSTACTION_PRINTERS: return "Printers";
    case HOSTACTION_MYCOMPUTER: return "MyComputer";
    }
    return "unknown";
}

// InSendMessage tells nothing about a send from the same thread, and the plug-in runs on this
// one: a message counts as posted when the retrieval hook saw it leave the queue, in our loop or
// in any modal loop the plug-in runs.
static HHOOK retrievalHook;
static MSG retrieved;
static bool retrievedPending;

static LRESULT CALLBACK RetrievalHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        retrieved = *(const MSG*)lParam;
        retrievedPending = true;
    }
    return CallNextHookEx(retrievalHook, code, wParam, lParam);
}

static const char* HowSent(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (retrievedPending && retrieved.hwnd == window && retrieved.message == message &&
        retrieved.wParam == wParam && retrieved.lParam == lParam) {
        retrievedPending = false;
        return "posted";
    }
    return "sent";
}

static void ShowOptions(HWND window)
{
    char text[2048];
    int used = _snprintf(text, sizeof text, "Options of %s (from %s):\r\n\r\n",
                         info ? info->name : "?", configPath);
    for (int i = 0; info && i < info->optionCount && used < (int)sizeof text - 128; i++) {
        const OptionDescriptor* option = &info->options[i];
        char stored[32];
        GetPrivateProfileStringA("Abrivel", option->key, "", stored, sizeof stored, configPath);
        used += _snprintf(text + used, sizeof text - used, "%s = %s%s  (kind 0x%lX, default %d",
                          option->caption, stored[0] ? stored : "", stored[0] ? "" : "(default)",
                          (unsigned long)option->kind, option->defaultValue);
        if (option->minimum != option->maximum)
            used += _snprintf(text + used, sizeof text - used, ", %d to %d", option->minimum,
                              option->maximum);
        used += _snprintf(text + used, sizeof text - used, ")\r\n");
    }
    MessageBoxA(window, text, "Plug-in properties", MB_OK);
}

static LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char* how = message >= WM_USER ? HowSent(window, message, wParam, lParam) : "";
    switch (message) {
    case HOSTMSG_ASKTOPMOST:
        Log("0x7FBE z-order query (%s): answered %d", how, answerTopmost);
        return answerTopmost;
    case HOSTMSG_AUTOCOMPLETE:
        Log("0x7FBF auto-completion about to be attached (%s)", how);
        return 0;
    case HOSTMSG_WALLPAPERS:
        Log("0x7FD7 Wallpapers (%s)", how);
        return 0;
    case HOSTMSG_PROPERTIES:
        Log("0x7FD9 Properties (%s): \"%s\"", how, lParam ? (const char*)lParam : "");
        ShowOptions(window);
        return 0;
    case HOSTMSG_DIALOGCLOSED:
        Log("0x7FE1 dialog closed (%s)", how);
        return 0;
    case HOSTMSG_DIALOGOPENING:
        Log("0x7FE2 dialog opening (%s)", how);
        return 0;
    case HOSTMSG_SETUPCLOCK:
        Log("0x7FEC SetupClock (%s)", how);
        return 0;
    case HOSTMSG_COMMAND: {
        DWORD code = lParam ? ((const HostCommand*)lParam)->action : 0;
        Log("0x7FF1 host command (%s): action %lu %s", how, (unsigned long)code,
            ActionName(code));
        if (code == HOSTACTION_ABOUT && info)
            MessageBoxA(window, info->about, "About", MB_OK);
        return 0;
    }
    default:
        if (message >= WM_USER && message < 0xC000)
            Log("0x%04X unknown private message (%s): wParam 0x%lX, lParam 0x%lX", message, how,
                (unsigned long)wParam, (unsigned long)lParam);
        break;
    case WM_SIZE:
        if (logList)
            MoveWindow(logList, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    int seconds = 0;
    GetModuleFileNameA(NULL, hostFolder, MAX_PATH);
    char* slash = strrchr(hostFolder, '\\');
    if (slash)
        slash[1] = '\0';
    _snprintf(configPath, MAX_PATH, "%sorvelhost.ini", hostFolder);
    _snprintf(logPath, MAX_PATH, "%sorvelhost.log", hostFolder);
    for (int i = 1; i < __argc; i++) {
        if (!strcmp(__argv[i], "--seconds") && i + 1 < __argc)
            seconds = atoi(__argv[++i]);
        else if (!strcmp(__argv[i], "--log") && i + 1 < __argc)
            _snprintf(logPath, MAX_PATH, "%s", __argv[++i]);
        else if (!strcmp(__argv[i], "--behind"))
            answerTopmost = 1;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "OrvelStandInHost";
    retrievalHook = SetWindowsHookExA(WH_GETMESSAGE, RetrievalHook, NULL, GetCurrentThreadId());
    RegisterClassA(&windowClass);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND mainWindow = CreateWindowExA(0, windowClass.lpszClassName, "OrvelCmd stand-in host",
                                      WS_OVERLAPPEDWINDOW, 40, screenHeight - 300, 560, 240, NULL,
                                      NULL, instance, NULL);
    logList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", NULL,
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 560,
                              240, mainWindow, NULL, instance, NULL);
    SendMessageA(logList, WM_SETFONT, (WPARAM)GetStockObject(ANSI_VAR_FONT), 0);
    ShowWindow(mainWindow, SW_SHOWNOACTIVATE);

    char modulePath[MAX_PATH];
    _snprintf(modulePath, MAX_PATH, "%sOrvelCmd.plg", hostFolder);
    HMODULE module = LoadLibraryA(modulePath);
    if (!module) {
        Log("cannot load %s (error %lu)", modulePath, (unsigned long)GetLastError());
        return 1;
    }
    GetPluginInfoProc getInfo = (GetPluginInfoProc)(void*)GetProcAddress(module, "GetPluginInfo");
    InitGlobalModuleProc init = (InitGlobalModuleProc)(void*)GetProcAddress(module, "InitGlobalModule");
    DoneModuleProc done = (DoneModuleProc)(void*)GetProcAddress(module, "DoneModule");
    if (!getInfo || !init || !done) {
        Log("OrvelCmd.plg lacks an entry point");
        return 1;
    }
    info = getInfo();
    Log("loaded %s: %d options", info->name, info->optionCount);

    static HostPluginRecord record;
    record.text = hostText;
    HostContext context;
    ZeroMemory(&context, sizeof context);
    context.size = sizeof context;
    context.plugin = &record;
    context.hostFolder = hostFolder;
    context.configuration = configPath;
    context.mainWindow = mainWindow;
    context.memoryDC = CreateCompatibleDC(NULL);
    init(&context);
    Log("bar window %p, flags 0x%lX", (void*)record.window, (unsigned long)record.flags);

    if (seconds > 0)
        SetTimer(mainWindow, 1, seconds * 1000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    done();
    DeleteDC(context.memoryDC);
    FreeLibrary(module);
    if (retrievalHook)
        UnhookWindowsHookEx(retrievalHook);
    Log("stopped");
    return 0;
}
