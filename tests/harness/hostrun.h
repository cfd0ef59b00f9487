// The host program OrvelCmd.exe run as a user runs it, as a process of its own, from a folder of
// the test's own that holds a copy of the program, the plug-in, kelvor.dll and an empty
// OrvelCmd.ini (portable use: the configuration stays in that folder); its log, its windows and
// dialogs, and the Run value, as the tests read them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "process.h"

struct HostRun {
    std::string folder;   // ends with a backslash
    std::string log;
    ProgramRun program;
};

// A fresh folder below the test program's own: the host's three files and an empty INI file.
std::string HostFolder(const std::string& name);
// Starts the host of folder with its log and the given switches ("--dry-run").
bool StartHost(HostRun* run, const std::string& folder, const std::string& switches,
               const std::string& startFolder = "", const char* logName = "host.log");
// The lines of the host's --log file, the one reader of it.
std::vector<std::string> LogLines(const HostRun& run);
// The first log line from line number `from` on that contains part, waiting up to timeoutMs for
// it; "" when none came.
std::string WaitForLogLine(const HostRun& run, const std::string& part, DWORD timeoutMs = 20000,
                           size_t from = 0);
// The host's hidden window (class "OrvelCmdHost") of that process, and its bar.
HWND HostWindowOf(DWORD processId);
HWND WaitForBar(const HostRun& run, DWORD timeoutMs = 30000);

std::string IniText(const std::string& folder, const char* section, const char* key);
void SetIniText(const std::string& folder, const char* section, const char* key,
                 const std::string& value);
std::string Lower(std::string text);
// The keyboard focus of the thread that owns window, in whichever process.
HWND FocusOf(HWND window);
// A window of the test's own takes the foreground, as another program's would; the caller
// destroys it.
HWND TakeForeground();

// A check box by its text; a field by the label before it.
HWND WithText(HWND dialog, const char* text);
HWND FieldOf(HWND dialog, const char* label);
// The "OrvelCmd" value of the current user's Run key, "(none)" when there is none.
extern const char RunKey[];
std::string RunValue();
// The test host stands in for the host program's window, plug-in and configuration, with the
// kelvor.dll in BinFolder() found as the program finds it; false, with the reason, if it is not.
// (hostprogram.cpp: only tests linked with the host program's code call it.)
bool ActAsHostProgram(char* problem, int size);
