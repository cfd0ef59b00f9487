// The host around the real OrvelCmd.plg: what a host shell gives the module, and no more.
#include "bench.h"
#include "host/messages.h"
#include "kelvor/hooks.h"

ConfigCounts Counts;
StartTimeline Timeline;

namespace {
typedef PluginInfo*(__stdcall* GetPluginInfoProc)();
typedef void(__stdcall* InitGlobalModuleProc)(HostContext*);
typedef void(__stdcall* DoneModuleProc)();

HMODULE module;
InitGlobalModuleProc initGlobalModule;
DoneModuleProc doneModule;
HWND mainWindow;
HDC memoryDC;
HostContext context;
HostPluginRecord record;
char hostText[HOST_TEXT_MAX + 1] = "OrvelCmd.plg";
char hostFolder[MAX_PATH];
char configPath[MAX_PATH];
double saveBegin;

void Mark(double* moment)
{
    if (*moment == 0)
        *moment = Now();
}

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == HOSTMSG_ASKTOPMOST) {
        Mark(&Timeline.askTopmost);
        return 0;  // the bar is topmost, as it is under most hosts
    }
    if (message == HOSTMSG_AUTOCOMPLETE)
        Mark(&Timeline.autoComplete);
    if (message >= 0x7F00 && message <= 0x7FFF)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void __stdcall Observe(const char* call, const char*, int)
{
    if (!lstrcmpA(call, "SetCFGInt")) {
        Counts.setInt++;
    } else if (!lstrcmpA(call, "CloseCFGw")) {
        Counts.closeWrite++;
        if (saveBegin != 0)
            Counts.saveTime += Now() - saveBegin;
        saveBegin = 0;
        if (Timeline.openWrite != 0)
            Mark(&Timeline.closeWrite);
    } else if (!lstrcmpA(call, "OpenCFGw")) {
        Mark(&Timeline.openWrite);
        saveBegin = Now();
    } else if (!lstrcmpA(call, "OpenCFGr")) {
        Mark(&Timeline.openRead);
    } else if (!lstrcmpA(call, "CloseCFGr")) {
        Mark(&Timeline.closeRead);
    }
}
}  // namespace

bool LoadModule()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWndProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "OrvelBenchHost";
    RegisterClassA(&windowClass);
    mainWindow = CreateWindowExA(0, windowClass.lpszClassName, "bench host", WS_OVERLAPPEDWINDOW,
                                 600, 500, 200, 100, NULL, NULL, windowClass.hInstance, NULL);
    memoryDC = CreateCompatibleDC(NULL);

    std::string folder = BenchFolder();
    lstrcpynA(hostFolder, folder.c_str(), MAX_PATH);
    lstrcpynA(configPath, (folder + "host.ini").c_str(), MAX_PATH);
    ResetConfig();
    record.text = hostText;
    context.size = sizeof context;
    context.plugin = &record;
    context.hostFolder = hostFolder;
    context.configuration = configPath;
    context.mainWindow = mainWindow;
    context.memoryDC = memoryDC;
    KelvorSetLayeredAvailable(1);
    KelvorSetObserver(Observe);

    module = LoadLibraryA((BinFolder() + "OrvelCmd.plg").c_str());
    if (!module)
        return false;
    GetPluginInfoProc getPluginInfo =
        (GetPluginInfoProc)(void*)GetProcAddress(module, "GetPluginInfo");
    initGlobalModule = (InitGlobalModuleProc)(void*)GetProcAddress(module, "InitGlobalModule");
    doneModule = (DoneModuleProc)(void*)GetProcAddress(module, "DoneModule");
    if (!getPluginInfo || !initGlobalModule || !doneModule)
        return false;
    getPluginInfo();  // as a host does before it starts a plug-in
    return true;
}

HMODULE ModuleHandle() { return module; }

void StartModule()
{
    ZeroMemory(&Timeline, sizeof Timeline);
    initGlobalModule(&context);
}

void StopModule() { doneModule(); }

HWND ModuleBar() { return FindWindowA("Abrivel", "OrvelCmd"); }

HWND ModuleInput()
{
    return GetWindow(FindWindowExA(ModuleBar(), NULL, "ComboBox", NULL), GW_CHILD);
}

// An empty configuration: the module starts with its defaults, a 400-pixel expanded bar.
void ResetConfig()
{
    WritePrivateProfileStringA(NULL, NULL, NULL, configPath);
    DeleteFileA(configPath);
}
