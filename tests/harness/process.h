// Programs run as processes of their own and watched from outside, as a user's desktop sees
// them: their windows, their dialogs, their exit codes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct ProgramRun {
    HANDLE process;
    DWORD id;
};

// Starts commandLine in folder (its current folder); false when CreateProcess fails.
bool StartProgram(const std::string& commandLine, const std::string& folder, ProgramRun* run);
// The exit code, or STILL_ACTIVE when the program is still running after timeoutMs.
DWORD WaitForExit(ProgramRun* run, DWORD timeoutMs);
// Ends the program if it still runs and closes its handle.
void EndProgram(ProgramRun* run);

// The visible top-level windows of the process (any process when 0) with that class (all
// classes when NULL).
std::vector<HWND> ProcessWindows(DWORD processId, const char* className);
// The first of them, waiting up to timeoutMs; NULL when none came.
HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs);
// The input line of a bar in any process, and a typed line: its text set, then Enter posted.
HWND InputLineOf(HWND bar);
void TypeLine(HWND bar, const char* text);
// The text of a message box (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
