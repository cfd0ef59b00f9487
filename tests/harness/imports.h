// Seeing what the module asks of a system library: one entry of its import table pointed at a
// test's spy, and put back.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The slot of module's import table that holds name, imported from library; null if none.
FARPROC* ImportSlot(HMODULE module, const char* library, const char* name);
void Patch(FARPROC* slot, FARPROC target);

// While it lives, the module's ShellExecuteExA records each request and answers it with the next
// of `answers` (a last-error value; PASS_ON hands the call to the shell), then with `otherwise`.
// As Windows does, it answers FALSE with the error, TRUE with 0, and with STARTED | error a
// program that started and left that stale last error. Its ShellExecuteA (the folders it
// explores) is recorded and answered alike.
const DWORD PASS_ON = 0xFFFFFFFF;
const DWORD STARTED = 0x20000000;
struct ShellRequest {
    std::string verb, file, parameters, directory;  // a null verb reads "(null)"
    ULONG mask;
    HANDLE monitor;
};
struct ShellSpy {
    std::vector<ShellRequest> requests;
    std::vector<DWORD> answers;
    DWORD otherwise = 0;
    FARPROC* slot;
    FARPROC original;
    FARPROC* plainSlot;
    FARPROC plainOriginal;
    explicit ShellSpy(HMODULE module);
    ~ShellSpy();
    // Puts line into the input line and presses Return, Control and Shift held when elevated;
    // the requests and host commands then recorded are this line's.
    void Enter(const std::string& line, std::vector<DWORD> lineAnswers, bool elevated = false);
};

// While it lives, the module sees a desktop of two monitors as Windows describes it: one of
// 800 x 600 left of the primary one, so that the virtual screen starts at x = -800, and the
// primary one, this display's 1024 x 768. Their work areas are the monitors.
struct LeftMonitorSpy {
    FARPROC* slots[4];
    FARPROC originals[4];
    explicit LeftMonitorSpy(HMODULE module);
    ~LeftMonitorSpy();
};
