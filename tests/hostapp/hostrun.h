// The host program OrvelCmd.exe run as a user runs it, as a process of its own, from a folder of
// the test's own that holds a copy of the program, the plug-in, kelvor.dll and an empty
// OrvelCmd.ini (portable use: the configuration stays in that folder).
#pragma once
#include <windows.h>
#include <algorithm>
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

// The lines of a file the host or a probe wrote, without their line ends.
inline std::vector<std::string> FileLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string text = ReadFileText(path);
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

inline std::vector<std::string> LogLines(const HostRun& run) { return FileLines(run.log); }

// The first log line from line number `from` on that contains part, waiting up to timeoutMs for
// it; "" when none came.
inline std::string WaitForLogLine(const HostRun& run, const std::string& part,
                                  DWORD timeoutMs = 20000, size_t from = 0)
{
    std::string found;
    WaitUntil([&] {
        std::vector<std::string> lines = LogLines(run);
        for (size_t i = from; i < lines.size(); i++)
            if (lines[i].find(part) != std::string::npos) {
                found = lines[i];
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

inline void SetIniValue(const std::string& folder, const char* section, const char* key,
                        const std::string& value)
{
    std::string ini = folder + "OrvelCmd.ini";
    WritePrivateProfileStringA(section, key, value.c_str(), ini.c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, ini.c_str());
}

inline std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

inline int BarWidth(HWND bar)
{
    RECT rect = {};
    GetWindowRect(bar, &rect);
    return rect.right - rect.left;
}

// The keyboard focus of the thread that owns window, in whichever process.
inline HWND FocusOf(HWND window)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info);
    return info.hwndFocus;
}

// A window of the test's own takes the foreground, as another program's would; the caller
// destroys it.
inline HWND TakeForeground()
{
    HWND window = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  300, 300, 200, 100, NULL, NULL, NULL, NULL);
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, 10000);
    return window;
}
