// The host program OrvelCmd.exe run as a user runs it, as a process of its own, from a folder of
// the test's own that holds a copy of the program, the plug-in, kelvor.dll and an empty
// OrvelCmd.ini (portable use: the configuration stays in that folder).
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "harness/launch.h"
#include "harness/process.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"

struct HostRun {
    std::string folder;   // ends with a backslash
    std::string log;
    ProgramRun program;
};

// A fresh folder below the test program's own: the host's three files and an empty INI file.
inline std::string HostFolder(const std::string& name)
{
    std::string folder = TestFolder() + name + "\\";
    CreateDirectoryA(folder.c_str(), NULL);
    for (const char* file : {"OrvelCmd.exe", "OrvelCmd.plg", "kelvor.dll"})
        CopyFileA((BinFolder() + file).c_str(), (folder + file).c_str(), FALSE);
    HANDLE ini = CreateFileA((folder + "OrvelCmd.ini").c_str(), GENERIC_WRITE, 0, NULL,
                             CREATE_ALWAYS, 0, NULL);
    CloseHandle(ini);
    return folder;
}

// Starts the host of folder with its log and the given switches ("--dry-run").
inline bool StartHost(HostRun* run, const std::string& folder, const std::string& switches,
                      const std::string& startFolder = "", const char* logName = "host.log")
{
    run->folder = folder;
    run->log = folder + logName;
    DeleteFileA(run->log.c_str());
    std::string line = "\"" + folder + "OrvelCmd.exe\" --log \"" + run->log + "\" " + switches;
    return StartProgram(line, startFolder.empty() ? folder : startFolder, &run->program);
}

inline std::vector<std::string> LogLines(const HostRun& run)
{
    std::vector<std::string> lines;
    std::string text = ReadFileText(run.log);
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The first log line that contains part, waiting up to timeoutMs for it; "" when none came.
inline std::string WaitForLogLine(const HostRun& run, const std::string& part,
                                  DWORD timeoutMs = 20000)
{
    std::string found;
    WaitUntil([&] {
        for (const std::string& line : LogLines(run))
            if (line.find(part) != std::string::npos) {
                found = line;
                return true;
            }
        return false;
    }, timeoutMs);
    return found;
}

// The host's hidden window (class "OrvelCmdHost") of that process.
inline HWND HostWindowOf(DWORD processId)
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "OrvelCmdHost", NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return NULL;
}

inline HWND WaitForBar(const HostRun& run, DWORD timeoutMs = 30000)
{
    return WaitForProcessWindow(run.program.id, "Abrivel", timeoutMs);
}

inline std::string IniValue(const std::string& folder, const char* section, const char* key)
{
    char text[256];
    GetPrivateProfileStringA(section, key, "", text, sizeof text,
                             (folder + "OrvelCmd.ini").c_str());
    return text;
}
