#include "process.h"
#include "testhost.h"

bool StartProgram(const std::string& commandLine, const std::string& folder, ProgramRun* run)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL,
                        folder.empty() ? NULL : folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    run->id = info.dwProcessId;
    return true;
}

DWORD WaitForExit(ProgramRun* run, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    WaitUntil([&] { return WaitForSingleObject(run->process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    GetExitCodeProcess(run->process, &code);
    return code;
}

void EndProgram(ProgramRun* run)
{
    if (!run->process)
        return;
    if (WaitForSingleObject(run->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(run->process, 1);
        WaitForSingleObject(run->process, 5000);
    }
    CloseHandle(run->process);
    run->process = NULL;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    WindowSearch* search = (WindowSearch*)lParam;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if ((!search->processId || owner == search->processId) && IsWindowVisible(window) &&
        (!search->className || !lstrcmpiA(name, search->className)))
        search->found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> ProcessWindows(DWORD processId, const char* className)
{
    WindowSearch search = {processId, className, {}};
    EnumWindows(CollectWindow, (LPARAM)&search);
    return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitUntil([&] {
        std::vector<HWND> windows = ProcessWindows(processId, className);
        found = windows.empty() ? NULL : windows[0];
        return found != NULL;
    }, timeoutMs);
    return found;
}

HWND InputLineOf(HWND bar)
{
    return GetWindow(FindWindowExA(bar, NULL, "ComboBox", NULL), GW_CHILD);
}

void TypeLine(HWND bar, const char* text)
{
    HWND input = InputLineOf(bar);
    SendMessageA(input, WM_SETTEXT, 0, (LPARAM)text);
    // Posted: the line may open a modal box in the other process, and a send would wait for it.
    PostMessageA(input, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(input, WM_KEYUP, VK_RETURN, 0xC0000001);
}

std::string MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}
