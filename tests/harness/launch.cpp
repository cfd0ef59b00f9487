#include "launch.h"
#include "testhost.h"

namespace {
struct SavedClass {
    std::string subKey;
    bool keyExisted;
    bool valueExisted;
    std::string value;
};
std::vector<SavedClass> savedClasses;
const char HistoryKey[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

void ReadDefault(SavedClass* saved)
{
    HKEY key;
    saved->keyExisted = RegOpenKeyExA(HKEY_CLASSES_ROOT, saved->subKey.c_str(), 0, KEY_READ, &key) ==
                        ERROR_SUCCESS;
    saved->valueExisted = false;
    if (!saved->keyExisted)
        return;
    char text[1024] = "";
    DWORD size = sizeof text - 1;
    saved->valueExisted = RegQueryValueExA(key, NULL, NULL, NULL, (BYTE*)text, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    saved->value = text;
}

// Deletes subKey and then its parents up to the first one that still has subkeys or values.
void DeleteUpwards(std::string subKey)
{
    while (!subKey.empty()) {
        if (RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str()) != ERROR_SUCCESS)
            return;
        size_t slash = subKey.find_last_of('\\');
        if (slash == std::string::npos)
            return;
        subKey = subKey.substr(0, slash);
        HKEY key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        DWORD subKeys = 1, values = 1;
        RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        if (subKeys || values)
            return;
    }
}
}  // namespace

void UseRecorderLog(const std::string& path)
{
    DeleteFileA(path.c_str());
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", path.c_str());
}

void ForgetLaunches(const std::string& log)
{
    WaitUntil([&] { return DeleteFileA(log.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; }, 5000);
}

std::string ReadFileText(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, NULL) && read)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

std::vector<std::string> FileLines(const std::string& path)
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

std::vector<std::string> RecordedLaunches(const std::string& log, size_t count, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    auto parse = [&] {
        lines = FileLines(log);
        return lines.size() >= count;
    };
    if (!WaitUntil(parse, timeoutMs))
        parse();
    return lines;
}

bool CopyRecorder(const std::string& path, const std::string& base)
{
    for (size_t at = base.size(); (at = path.find('\\', at)) != std::string::npos; at++)
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    return CopyFileA((BinFolder() + "recorder.exe").c_str(), path.c_str(), FALSE) != 0;
}

bool HistoryValueExists(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

std::string HistoryValue(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char text[1024] = "";
    DWORD size = sizeof text - 1;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &size) != ERROR_SUCCESS)
        text[0] = '\0';
    RegCloseKey(key);
    return text;
}

void SetClassesValue(const std::string& subKey, const std::string& value)
{
    SavedClass saved = {subKey, false, false, ""};
    ReadDefault(&saved);
    savedClasses.push_back(saved);
    HKEY key;
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, subKey.c_str(), &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
        RegCloseKey(key);
    }
}

void RestoreClasses()
{
    for (auto saved = savedClasses.rbegin(); saved != savedClasses.rend(); ++saved) {
        if (saved->keyExisted) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, saved->subKey.c_str(), 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS) {
                if (saved->valueExisted)
                    RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)saved->value.c_str(),
                                   (DWORD)saved->value.size() + 1);
                else
                    RegDeleteValueA(key, NULL);
                RegCloseKey(key);
            }
        } else {
            DeleteUpwards(saved->subKey);
        }
    }
    savedClasses.clear();
}
