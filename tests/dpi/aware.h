// This process is aware of each monitor's DPI through its manifest (aware.rc), as OrvelCmd.exe
// is: the platform says so before any window exists.
#pragma once
#include <windows.h>

inline const bool Aware = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto context = (HANDLE(WINAPI*)())(void*)GetProcAddress(user32, "GetThreadDpiAwarenessContext");
    auto awareness = (int(WINAPI*)(HANDLE))(void*)GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext");
    return context && awareness && awareness(context()) == 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
}();
