// This process declares itself aware of each monitor's DPI, as OrvelCmd.exe's manifest does,
// before any window exists: per-monitor version 2 where the platform knows it, else version 1,
// else aware of the system's DPI (which is all a start at the prefix's 144 needs).
#pragma once
#include <windows.h>

inline const bool Aware = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto set = (BOOL(WINAPI*)(HANDLE))(void*)GetProcAddress(user32, "SetProcessDpiAwarenessContext");
    auto systemAware = (BOOL(WINAPI*)())(void*)GetProcAddress(user32, "SetProcessDPIAware");
    return (set && (set((HANDLE)-4) || set((HANDLE)-3))) || (systemAware && systemAware());
}();
