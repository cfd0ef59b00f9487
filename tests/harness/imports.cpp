#include "imports.h"
#include "testhost.h"
#include <shellapi.h>

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
    SetLastError(answer);
    return answer == 0;
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
