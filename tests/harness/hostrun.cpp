#include "hostrun.h"
#include "launch.h"
#include "testhost.h"
#include <algorithm>

std::string HostFolder(const std::string& name)
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

bool StartHost(HostRun* run, const std::string& folder, const std::string& switches,
               const std::string& startFolder, const char* logName)
{
    run->folder = folder;
    run->log = folder + logName;
    DeleteFileA(run->log.c_str());
    std::string line = "\"" + folder + "OrvelCmd.exe\" --log \"" + run->log + "\" " + switches;
    return StartProgram(line, startFolder.empty() ? folder : startFolder, &run->program);
}

std::vector<std::string> LogLines(const HostRun& run) { return FileLines(run.log); }

std::string WaitForLogLine(const HostRun& run, const std::string& part, DWORD timeoutMs,
                           size_t from)
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

HWND HostWindowOf(DWORD processId)
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

HWND WaitForBar(const HostRun& run, DWORD timeoutMs)
{
    return WaitForProcessWindow(run.program.id, "Abrivel", timeoutMs);
}

std::string IniText(const std::string& folder, const char* section, const char* key)
{
    char text[256];
    GetPrivateProfileStringA(section, key, "", text, sizeof text,
                             (folder + "OrvelCmd.ini").c_str());
    return text;
}

void SetIniText(const std::string& folder, const char* section, const char* key,
                 const std::string& value)
{
    std::string ini = folder + "OrvelCmd.ini";
    WritePrivateProfileStringA(section, key, value.c_str(), ini.c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, ini.c_str());
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info);
    return info.hwndFocus;
}

HWND TakeForeground()
{
    HWND window = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  300, 300, 200, 100, NULL, NULL, NULL, NULL);
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, 10000);
    return window;
}

HWND WithText(HWND dialog, const char* text)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return child;
    return NULL;
}

HWND FieldOf(HWND dialog, const char* label) { return GetWindow(WithText(dialog, label), GW_HWNDNEXT); }

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string RunValue()
{
    HKEY key;
    char value[MAX_PATH + 8] = "";
    DWORD size = sizeof value - 1, type = REG_NONE;
    if (!RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key)) {
        if (RegQueryValueExA(key, "OrvelCmd", NULL, &type, (BYTE*)value, &size))
            type = REG_NONE;
        RegCloseKey(key);
    }
    return type == REG_SZ ? value : "(none)";
}
