// A function that only some Windows versions have, looked up at run time in a system library the
// process has loaded already (kernel32, user32, ntdll), so that the program still starts where it
// is missing. NULL there; the caller casts the entry to the function's type.
#pragma once
#include <windows.h>

inline FARPROC OptionalEntry(const char* library, const char* name)
{
    HMODULE module = GetModuleHandleA(library);
    return module ? GetProcAddress(module, name) : NULL;
}
