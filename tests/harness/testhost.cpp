#include "testhost.h"
#include <gtest/gtest.h>
#include "kelvor/hooks.h"
#include "plugin/settingtable.h"

TestHost Host;

namespace {
const char HostClass[] = "OrvelTestHost";
const BYTE GUARD = 0xA5;
const int GUARD_SIZE = 64;
BYTE* recordBlock;   // guard, 216-byte record, guard
BYTE* textBlock;     // guard, text buffer, guard
const int TEXT_SIZE = 1200;

// InSendMessage tells nothing for a send from the same thread, so posted messages are told by
// the message-retrieval hook, which sees every message taken from the queue, in any loop.
HHOOK retrievalHook;
MSG retrieved;
bool retrievedPending;

LRESULT CALLBACK RetrievalHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = (const MSG*)lParam;
        if (msg->hwnd && msg->hwnd == Host.mainWindow) {
            retrieved = *msg;
            retrievedPending = true;
        }
    }
    return CallNextHookEx(retrievalHook, code, wParam, lParam);
}

bool ArrivedPosted(HWND window, UINT messageId, WPARAM wParam, LPARAM lParam)
{
    if (retrievedPending && retrieved.hwnd == window && retrieved.message == messageId &&
        retrieved.wParam == wParam && retrieved.lParam == lParam) {
        retrievedPending = false;
        return true;
    }
    return false;
}

void RecordMessage(HWND window, UINT messageId, WPARAM wParam, LPARAM lParam)
{
    bool wasPosted = ArrivedPosted(window, messageId, wParam, lParam);
    if (!(Host.recordMask & RECORD_HOST_MESSAGES))
        return;
    message m = {messageId, wasPosted ? posted : sent, wParam, lParam, nullptr};
    add_message(&m);
}

LRESULT CALLBACK HostWndProc(HWND window, UINT messageId, WPARAM wParam, LPARAM lParam)
{
    if (messageId >= 0x7F00 && messageId <= 0x7FFF) {
        RecordMessage(window, messageId, wParam, lParam);
        if (messageId == HOSTMSG_COMMAND && lParam) {
            HostCommand command;
            CopyMemory(&command, (const void*)lParam, sizeof command);
            Host.commands.push_back(command);
        }
        if (messageId == HOSTMSG_PROPERTIES)
            Host.properties.push_back(lParam ? (const char*)lParam : "");
        if (messageId == HOSTMSG_ASKTOPMOST)
            return Host.topmostAnswer;
        return 0;
    }
    return DefWindowProcA(window, messageId, wParam, lParam);
}

void __stdcall ObserveLibrary(const char* call, const char* keyText, int value)
{
    struct Name { const char* call; UINT code; int mask; };
    static const Name names[] = {
        {"OpenCFGr", CFG_OPENR, RECORD_CONFIG_READS},   {"CloseCFGr", CFG_CLOSER, RECORD_CONFIG_READS},
        {"OpenCFGw", CFG_OPENW, RECORD_CONFIG_WRITES},  {"CloseCFGw", CFG_CLOSEW, RECORD_CONFIG_WRITES},
        {"GetCFGInt", CFG_GETINT, RECORD_CONFIG_READS}, {"GetCFGBool", CFG_GETBOOL, RECORD_CONFIG_READS},
        {"SetCFGInt", CFG_SETINT, RECORD_CONFIG_WRITES}, {"SetLayered", CFG_LAYERED, RECORD_LIBRARY},
        {"Run", CFG_RUN, RECORD_LIBRARY},
    };
    if (!lstrcmpA(call, "FindSection")) {
        if (Host.recordMask & (value ? RECORD_CONFIG_WRITES : RECORD_CONFIG_READS))
            add_config_call(CFG_SECTION, keyText, value);
        return;
    }
    for (const Name& n : names)
        if (!lstrcmpA(call, n.call) && (Host.recordMask & n.mask))
            add_config_call(n.code, keyText, value);
}

std::string ExeName()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string name = path;
    size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Every test program gets its own file-name suffix, so that programs run side by side.
void DeleteTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(path + "\\");
            RemoveDirectoryA(path.c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

UINT_PTR modalTimer;
DWORD modalDeadline;
bool modalRan;
std::string modalClass;
std::function<void(HWND)> modalAction;

struct FindState { const char* className; HWND found; };
BOOL CALLBACK FindThreadWindow(HWND window, LPARAM lParam)
{
    FindState* state = (FindState*)lParam;
    char name[64];
    GetClassNameA(window, name, sizeof name);
    if (!lstrcmpA(name, state->className) && IsWindowVisible(window)) {
        state->found = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ModalTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    FindState state = {modalClass.c_str(), NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindThreadWindow, (LPARAM)&state);
    if (state.found) {
        KillTimer(NULL, modalTimer);
        modalTimer = 0;
        modalRan = true;
        modalAction(state.found);
        return;
    }
    if (GetTickCount() > modalDeadline) {
        KillTimer(NULL, modalTimer);
        modalTimer = 0;
        ADD_FAILURE() << "no " << modalClass << " window appeared";
        // End whatever modal loop may be running so that the test goes on.
        EndMenu();
        FindState dialog = {"#32770", NULL};
        EnumThreadWindows(GetCurrentThreadId(), FindThreadWindow, (LPARAM)&dialog);
        if (dialog.found)
            PostMessageA(dialog.found, WM_COMMAND, IDCANCEL, 0);
    }
}
}  // namespace

std::string BinFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string OtherBuildFolder()
{
    std::string folder = BinFolder();
    folder.pop_back();
    bool x64 = folder.size() > 2 && folder.compare(folder.size() - 2, 2, "64") == 0;
    return (x64 ? folder.substr(0, folder.size() - 2) : folder + "64") + "\\";
}

std::string TestFolder()
{
    static std::string folder;
    if (folder.empty()) {
        CreateDirectoryA((BinFolder() + "testdata").c_str(), NULL);
        folder = BinFolder() + "testdata\\" + ExeName() + "\\";
        CreateDirectoryA(folder.c_str(), NULL);
        DeleteTree(folder);
    }
    return folder;
}

void CreateTestHost()
{
    flush_sequence();
    Host.commands.clear();
    Host.properties.clear();
    Host.topmostAnswer = 0;
    Host.recordMask = RECORD_HOST_MESSAGES;
    Host.started = false;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWndProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = HostClass;
    RegisterClassA(&windowClass);
    Host.mainWindow = CreateWindowExA(0, HostClass, "test host", WS_OVERLAPPEDWINDOW, 600, 500, 200,
                                      100, NULL, NULL, windowClass.hInstance, NULL);
    Host.memoryDC = CreateCompatibleDC(NULL);
    retrievedPending = false;
    if (!retrievalHook)
        retrievalHook = SetWindowsHookExA(WH_GETMESSAGE, RetrievalHook, NULL, GetCurrentThreadId());

    if (!recordBlock) {
        recordBlock = (BYTE*)VirtualAlloc(NULL, GUARD_SIZE * 2 + sizeof(HostPluginRecord),
                                          MEM_COMMIT, PAGE_READWRITE);
        textBlock = (BYTE*)VirtualAlloc(NULL, GUARD_SIZE * 2 + TEXT_SIZE, MEM_COMMIT, PAGE_READWRITE);
    }
    FillMemory(recordBlock, GUARD_SIZE * 2 + sizeof(HostPluginRecord), GUARD);
    FillMemory(textBlock, GUARD_SIZE * 2 + TEXT_SIZE, GUARD);
    Host.record = (HostPluginRecord*)(recordBlock + GUARD_SIZE);
    ZeroMemory(Host.record, sizeof(HostPluginRecord));
    Host.hostText = (char*)(textBlock + GUARD_SIZE);
    ZeroMemory(Host.hostText, TEXT_SIZE);
    lstrcpyA(Host.hostText, "OrvelCmd.plg");
    Host.record->text = Host.hostText;

    std::string folder = TestFolder();
    lstrcpynA(Host.hostFolder, folder.c_str(), MAX_PATH);
    lstrcpynA(Host.configPath, (folder + "host.ini").c_str(), MAX_PATH);
    ClearConfig();

    ZeroMemory(&Host.context, sizeof Host.context);
    Host.context.size = sizeof(HostContext);
    Host.context.plugin = Host.record;
    Host.context.hostFolder = Host.hostFolder;
    Host.context.configuration = Host.configPath;
    Host.context.mainWindow = Host.mainWindow;
    Host.context.memoryDC = Host.memoryDC;

    KelvorSetLayeredAvailable(1);
    KelvorSetObserver(ObserveLibrary);
    DeleteHistoryKey();
}

void DestroyTestHost()
{
    KelvorSetObserver(nullptr);
    DestroyWindow(Host.mainWindow);
    Host.mainWindow = NULL;
    DeleteDC(Host.memoryDC);
    Host.memoryDC = NULL;
    UnregisterClassA(HostClass, GetModuleHandleA(NULL));
}

void FreshHost()
{
    StopPlugin();
    DestroyTestHost();
    CreateTestHost();
    LoadPlugin();
}

void LoadPlugin()
{
    Host.module = LoadLibraryA((BinFolder() + "OrvelCmd.plg").c_str());
    ASSERT_NE(Host.module, nullptr) << "OrvelCmd.plg did not load, error " << GetLastError();
    Host.GetPluginInfo = (GetPluginInfoProc)(void*)GetProcAddress(Host.module, "GetPluginInfo");
    Host.InitGlobalModule =
        (InitGlobalModuleProc)(void*)GetProcAddress(Host.module, "InitGlobalModule");
    Host.DoneModule = (DoneModuleProc)(void*)GetProcAddress(Host.module, "DoneModule");
    ASSERT_TRUE(Host.GetPluginInfo && Host.InitGlobalModule && Host.DoneModule);
}

void StartPlugin()
{
    Host.InitGlobalModule(&Host.context);
    Host.started = true;
}

void StopPlugin()
{
    if (Host.module) {
        if (Host.started)
            Host.DoneModule();
        FreeLibrary(Host.module);
    }
    Host.module = NULL;
    Host.started = false;
}

bool GuardsIntact()
{
    for (int i = 0; i < GUARD_SIZE; i++) {
        if (recordBlock[i] != GUARD || recordBlock[GUARD_SIZE + sizeof(HostPluginRecord) + i] != GUARD)
            return false;
        if (textBlock[i] != GUARD || textBlock[GUARD_SIZE + TEXT_SIZE + i] != GUARD)
            return false;
    }
    return true;
}

HWND BarWindow() { return FindWindowA("Abrivel", "OrvelCmd"); }
HWND ComboBox() { return FindWindowExA(BarWindow(), NULL, "ComboBox", NULL); }
HWND InputLine() { return GetWindow(ComboBox(), GW_CHILD); }

Messages SettingsRead(std::initializer_list<int> values)
{
    Messages reads = {{CFG_OPENR, 0, 0, 0, nullptr}, {CFG_SECTION, key | lparam, 0, 0, "Abrivel"}};
    const int* value = values.begin();
    for (const SettingRow& row : SettingsTable)
        reads.push_back({row.read == READ_YES_NO ? CFG_GETBOOL : CFG_GETINT, key | lparam, 0,
                         value < values.end() ? *value++ : 0, row.key});
    reads.push_back({CFG_CLOSER, 0, 0, 0, nullptr});
    return reads;
}

Messages SettingsSave(int width, int minimize, int x, int y)
{
    return {{CFG_OPENW, 0, 0, 0, nullptr},
            {CFG_SECTION, key | lparam, 0, 1, "Abrivel"},
            {CFG_SETINT, key | lparam, 0, width, "Width"},
            {CFG_SETINT, key | lparam, 0, minimize, "Minimize"},
            {CFG_SETINT, key | lparam, 0, x, "XPos"},
            {CFG_SETINT, key | lparam, 0, y, "YPos"},
            {CFG_CLOSEW, 0, 0, 0, nullptr}};
}

void SetConfig(const char* keyName, const char* value)
{
    WritePrivateProfileStringA("Abrivel", keyName, value, Host.configPath);
    WritePrivateProfileStringA(NULL, NULL, NULL, Host.configPath);
}

void SetConfigInt(const char* keyName, int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    SetConfig(keyName, text);
}

bool GetConfigInt(const char* keyName, int* value)
{
    char text[64];
    WritePrivateProfileStringA(NULL, NULL, NULL, Host.configPath);
    GetPrivateProfileStringA("Abrivel", keyName, "\x01", text, sizeof text, Host.configPath);
    if (text[0] == '\x01')
        return false;
    *value = atoi(text);
    return true;
}

int Stored(const char* keyName)
{
    int value = -12345;
    GetConfigInt(keyName, &value);
    return value;
}

void ClearConfig()
{
    WritePrivateProfileStringA(NULL, NULL, NULL, Host.configPath);
    DeleteFileA(Host.configPath);
}

void DeleteHistoryKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brandelmor\\Orvel\\Plugins\\Addr");
}

void PumpMessages(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds)
            MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() < end);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD end = GetTickCount() + timeoutMs;
    while (!condition()) {
        if (GetTickCount() > end)
            return false;
        PumpMessages(20);
    }
    return true;
}

void WhenWindowAppears(const char* className, const std::function<void(HWND)>& action,
                       DWORD timeoutMs)
{
    modalClass = className;
    modalAction = action;
    modalRan = false;
    modalDeadline = GetTickCount() + timeoutMs;
    modalTimer = SetTimer(NULL, 0, 50, ModalTimerProc);
}

bool ModalActionRan() { return modalRan; }

std::string WindowText(HWND window)
{
    char text[2048];
    text[0] = '\0';
    SendMessageA(window, WM_GETTEXT, sizeof text, (LPARAM)text);
    return text;
}

void SetInputText(const char* text) { SendMessageA(InputLine(), WM_SETTEXT, 0, (LPARAM)text); }

void PressKey(HWND window, WPARAM keyCode)
{
    SendMessageA(window, WM_KEYDOWN, keyCode, 1);
    SendMessageA(window, WM_KEYUP, keyCode, 0xC0000001);
}
