// The plug-in OrvelCmd.plg: loaded from the program's own folder, started with the host's records,
// stopped and started again when its options change, stopped and unloaded at the end.
#include "hostapp.h"
#include <stdio.h>

const char PluginFileName[] = "OrvelCmd.plg";

namespace {

// What the host knows of the bar from outside: its menu's "Restore" command (100) brings it back
// to its width.
const WPARAM BAR_COMMAND_RESTORE = 100;

// Collapsed, the bar is its button alone: its combo box has no width left, at any DPI.
bool BarCollapsed(HWND bar)
{
    HWND combo = FindWindowExA(bar, NULL, "ComboBox", NULL);
    RECT rect;
    return combo && GetWindowRect(combo, &rect) && rect.right - rect.left <= 0;
}

HWND InputLineOfBar(HWND bar)
{
    HWND combo = FindWindowExA(bar, NULL, "ComboBox", NULL);
    return combo ? GetWindow(combo, GW_CHILD) : NULL;
}

void ForgetEntryPoints()
{
    App.GetPluginInfo = NULL;
    App.InitGlobalModule = NULL;
    App.DoneModule = NULL;
    App.info = NULL;
}

}  // namespace

bool LoadPluginModule(char* message, int size)
{
    char path[PATH_BYTES];
    if (lstrlenA(App.folder) + lstrlenA(PluginFileName) >= (int)sizeof path) {
        DescribeFileProblem(App.folder, "The program's folder name is too long.",
                            ERROR_FILENAME_EXCED_RANGE, message, size);
        return false;
    }
    lstrcpyA(path, App.folder);
    lstrcatA(path, PluginFileName);

    char otherKind[320];
    if (OtherKindOfModule(path, "The plug-in OrvelCmd.plg", otherKind, sizeof otherKind)) {
        DescribeFileProblem(path, otherKind, ERROR_SUCCESS, message, size);
        return false;
    }
    // The plug-in's own import, kelvor.dll, is found beside it.
    HMODULE module = LoadProgramLibrary(path);
    if (!module) {
        DWORD error = GetLastError();
        const char* problem;
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            problem = "The plug-in OrvelCmd.plg is missing.";
        else if (error == ERROR_BAD_EXE_FORMAT)
            problem = "The plug-in OrvelCmd.plg is damaged or not a " BUILD_KIND " Windows module.";
        else
            problem = "The plug-in OrvelCmd.plg could not be loaded.";
        DescribeFileProblem(path, problem, error, message, size);
        return false;
    }

    struct Entry { const char* name; FARPROC* slot; };
    const Entry entries[] = {
        {"GetPluginInfo", (FARPROC*)&App.GetPluginInfo},
        {"InitGlobalModule", (FARPROC*)&App.InitGlobalModule},
        {"DoneModule", (FARPROC*)&App.DoneModule},
    };
    for (const Entry& entry : entries) {
        *entry.slot = GetProcAddress(module, entry.name);
        if (!*entry.slot) {
            DWORD error = GetLastError();
            char problem[192];
            _snprintf(problem, sizeof problem,
                      "The plug-in OrvelCmd.plg lacks the entry point %s: it is not an OrvelCmd "
                      "plug-in, or of another version.", entry.name);
            problem[sizeof problem - 1] = '\0';
            DescribeFileProblem(path, problem, error, message, size);
            FreeLibrary(module);
            ForgetEntryPoints();
            return false;
        }
    }
    App.info = App.GetPluginInfo();
    if (!App.info || App.info->size < (int)sizeof(PluginInfo)) {
        DescribeFileProblem(path, "The plug-in OrvelCmd.plg gave no valid information about "
                            "itself: it is damaged or of another version.",
                            ERROR_INVALID_DATA, message, size);
        FreeLibrary(module);
        ForgetEntryPoints();
        return false;
    }
    App.module = module;
    Log("loaded %s: %s, %d options", path, App.info->name ? App.info->name : "?",
        App.info->optionCount);
    return true;
}

void StartPluginModule()
{
    if (!App.module || App.started)
        return;
    lstrcpynA(App.recordText, PluginFileName, sizeof App.recordText);
    App.record.text = App.recordText;
    if (!App.context.memoryDC)
        App.context.memoryDC = CreateCompatibleDC(NULL);
    App.context.size = HOST_CONTEXT_SIZE;
    App.context.plugin = &App.record;
    App.context.hostFolder = App.folder;
    App.context.configuration = App.configPath;
    App.context.mainWindow = App.window;
    App.InitGlobalModule(&App.context);
    App.started = true;
    Log("bar window %p, flags 0x%lX", (void*)App.record.window, (unsigned long)App.record.flags);
}

void StopPluginModule()
{
    if (!App.started)
        return;
    App.stopping = true;
    App.DoneModule();
    App.stopping = false;
    App.started = false;
    // The bar is gone: nothing may be sent to its handle any more.
    App.record.window = NULL;
    App.record.flags &= ~PLUGIN_FLAG_HAS_WINDOW;
    Log("plug-in stopped");
}

void RestartPluginModule()
{
    Log("plug-in restarts with the new options");
    StopPluginModule();
    StartPluginModule();
}

void UnloadPluginModule()
{
    StopPluginModule();
    if (App.module) {
        FreeLibrary(App.module);
        App.module = NULL;
    }
    ForgetEntryPoints();
    if (App.context.memoryDC) {
        DeleteDC(App.context.memoryDC);
        App.context.memoryDC = NULL;
    }
}

HWND DialogOwner()
{
    return App.record.window && IsWindow(App.record.window) ? App.record.window : App.window;
}

void ActivateBar()
{
    // A bar that is being taken down is left alone: brought back, it would store itself expanded.
    if (App.ending || App.stopping) {
        Log("the bar is being stopped: it stays as it is");
        return;
    }
    if (App.optionsDialog && IsWindow(App.optionsDialog)) {
        SetForegroundWindow(App.optionsDialog);
        return;
    }
    HWND bar = App.record.window;
    if (!bar || !IsWindow(bar)) {
        Log("no bar to bring to the front");
        return;
    }
    // A box of the bar's own (the command list, the file chooser) keeps the bar disabled: that
    // box is what the user gets back to.
    HWND popup = GetLastActivePopup(bar);
    if (popup && popup != bar && IsWindowVisible(popup)) {
        SetForegroundWindow(popup);
        return;
    }
    if (BarCollapsed(bar))
        SendMessageA(bar, WM_COMMAND, BAR_COMMAND_RESTORE, 0);
    SetForegroundWindow(bar);
    HWND input = InputLineOfBar(bar);
    SetFocus(input ? input : bar);
}
