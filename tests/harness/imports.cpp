#include "imports.h"
#include "testhost.h"
#include <shellapi.h>
#include <algorithm>
#include <climits>

FARPROC* ImportSlot(HMODULE module, const char* library, const char* name)
{
    BYTE* base = (BYTE*)module;
    auto* headers = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    auto* entry = (IMAGE_IMPORT_DESCRIPTOR*)(
        base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; entry->Name; entry++) {
        if (lstrcmpiA((const char*)base + entry->Name, library))
            continue;
        auto* names = (IMAGE_THUNK_DATA*)(base + entry->OriginalFirstThunk);
        auto* slots = (IMAGE_THUNK_DATA*)(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++)
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                !lstrcmpA((const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name, name))
                return (FARPROC*)&slots->u1.Function;
    }
    return nullptr;
}

void Patch(FARPROC* slot, FARPROC target)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = target;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

static ShellSpy* activeSpy;

static BOOL WINAPI SpyShellExecuteExA(SHELLEXECUTEINFOA* request)
{
    ShellSpy& spy = *activeSpy;
    auto text = [](const char* s) { return std::string(s ? s : "(null)"); };
    spy.requests.push_back({text(request->lpVerb), text(request->lpFile),
                            request->lpParameters ? request->lpParameters : "",
                            text(request->lpDirectory), request->fMask, request->hMonitor});
    size_t n = spy.requests.size();
    DWORD answer = n <= spy.answers.size() ? spy.answers[n - 1] : spy.otherwise;
    if (answer == PASS_ON)
        return ((BOOL(WINAPI*)(SHELLEXECUTEINFOA*))spy.original)(request);
    SetLastError(answer & ~STARTED);
    return answer == 0 || (answer & STARTED);
}

static HINSTANCE WINAPI SpyShellExecuteA(HWND window, const char* verb, const char* file,
                                          const char* parameters, const char* directory, int show)
{
    ShellSpy& spy = *activeSpy;
    auto text = [](const char* s) { return std::string(s ? s : "(null)"); };
    spy.requests.push_back({text(verb), text(file), parameters ? parameters : "", text(directory),
                            0, NULL});
    size_t n = spy.requests.size();
    DWORD answer = n <= spy.answers.size() ? spy.answers[n - 1] : spy.otherwise;
    if (answer == PASS_ON)
        return ((HINSTANCE(WINAPI*)(HWND, const char*, const char*, const char*, const char*, int))
                    spy.plainOriginal)(window, verb, file, parameters, directory, show);
    SetLastError(answer);
    return (HINSTANCE)(INT_PTR)(answer ? answer : 42);   // above 32 is success
}

ShellSpy::ShellSpy(HMODULE module)
{
    slot = ImportSlot(module, "shell32.dll", "ShellExecuteExA");
    original = slot ? *slot : nullptr;
    plainSlot = ImportSlot(module, "shell32.dll", "ShellExecuteA");
    plainOriginal = plainSlot ? *plainSlot : nullptr;
    activeSpy = this;
    if (slot)
        Patch(slot, (FARPROC)SpyShellExecuteExA);
    else
        ADD_FAILURE() << "the module imports no ShellExecuteExA";
    if (plainSlot)
        Patch(plainSlot, (FARPROC)SpyShellExecuteA);
}

ShellSpy::~ShellSpy()
{
    if (slot)
        Patch(slot, original);
    if (plainSlot)
        Patch(plainSlot, plainOriginal);
}

void ShellSpy::Enter(const std::string& line, std::vector<DWORD> lineAnswers, bool elevated)
{
    requests.clear();
    answers = lineAnswers;
    Host.commands.clear();
    SetInputText(line.c_str());
    BYTE keys[256];  // GetKeyState on this thread reads the modifiers from here
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_SHIFT] = elevated ? 0x80 : 0;
    SetKeyboardState(keys);
    PressKey(InputLine(), VK_RETURN);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

namespace {
const RECT SpiedMonitors[] = {{-800, 0, 0, 600}, {0, 0, 1024, 768}};

int WINAPI SpiedMetrics(int index)
{
    switch (index) {
    case SM_CMONITORS: return 2;
    case SM_XVIRTUALSCREEN: return -800;
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVIRTUALSCREEN: return 1824;
    case SM_CYVIRTUALSCREEN: return 768;
    }
    return GetSystemMetrics(index);
}

// The monitor a rectangle overlaps most, else, unless the flags say none, the nearest one.
HMONITOR WINAPI SpiedFromRect(LPCRECT rect, DWORD flags)
{
    long best = -1, nearest = LONG_MAX;
    int found = -1, closest = 0;
    for (int i = 0; i < 2; i++) {
        const RECT& m = SpiedMonitors[i];
        RECT overlap;
        if (IntersectRect(&overlap, rect, &m)) {
            long area = (overlap.right - overlap.left) * (overlap.bottom - overlap.top);
            if (area > best)
                best = area, found = i;
        }
        long dx = std::max({0L, m.left - rect->right, rect->left - m.right});
        long dy = std::max({0L, m.top - rect->bottom, rect->top - m.bottom});
        if (dx * dx + dy * dy < nearest)
            nearest = dx * dx + dy * dy, closest = i;
    }
    if (found < 0 && flags == MONITOR_DEFAULTTONULL)
        return NULL;
    return (HMONITOR)(INT_PTR)(1 + (found >= 0 ? found : closest));
}

HMONITOR WINAPI SpiedFromPoint(POINT point, DWORD flags)
{
    RECT pixel = {point.x, point.y, point.x + 1, point.y + 1};
    return SpiedFromRect(&pixel, flags);
}

BOOL WINAPI SpiedInfo(HMONITOR monitor, LPMONITORINFO info)
{
    INT_PTR index = (INT_PTR)monitor - 1;
    if (index < 0 || index > 1)
        return GetMonitorInfoA(monitor, info);
    info->rcMonitor = info->rcWork = SpiedMonitors[index];
    info->dwFlags = index == 1 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}
}  // namespace

LeftMonitorSpy::LeftMonitorSpy(HMODULE module)
{
    const char* names[] = {"GetSystemMetrics", "MonitorFromRect", "MonitorFromPoint",
                           "GetMonitorInfoA"};
    FARPROC spies[] = {(FARPROC)SpiedMetrics, (FARPROC)SpiedFromRect, (FARPROC)SpiedFromPoint,
                       (FARPROC)SpiedInfo};
    for (int i = 0; i < 4; i++) {
        slots[i] = ImportSlot(module, "user32.dll", names[i]);
        originals[i] = slots[i] ? *slots[i] : nullptr;
        if (slots[i])
            Patch(slots[i], spies[i]);
        else
            ADD_FAILURE() << "the module imports no " << names[i];
    }
}

LeftMonitorSpy::~LeftMonitorSpy()
{
    for (int i = 0; i < 4; i++)
        if (slots[i])
            Patch(slots[i], originals[i]);
}
