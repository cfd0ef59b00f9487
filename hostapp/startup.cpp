// Start with Windows: the program's value in the current user's Run key.
#include "hostapp.h"

namespace {

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The program's path in double quotes: unquoted, a path with blanks would be read as a program
// and its arguments, and "C:\Program" could start in its place.
bool QuotedProgramPath(char* text, int size)
{
    const char* path = App.programPath;
    int length = 0;
    while (length < (int)sizeof App.programPath && path[length])
        length++;
    if (length == 0 || length == (int)sizeof App.programPath || length + 3 > size)
        return false;
    for (int i = 0; i < length; i++)
        if (path[i] == '"')
            return false;
    text[0] = '"';
    CopyMemory(text + 1, path, length);
    text[length + 1] = '"';
    text[length + 2] = '\0';
    return true;
}

}  // namespace

bool StartsWithWindows()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // Room for a quoted path and arguments after it; a longer value names no path of ours.
    char value[PATH_BYTES + 64];
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, ProgramName, NULL, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value[size] = '\0';   // the registry does not promise a terminator
    // Quoted as this program writes it (arguments may follow), or bare as someone else may have.
    const char* path = value;
    if (value[0] == '"') {
        path = value + 1;
        char* close = value + 1;
        while (*close && *close != '"')
            close++;
        if (!*close)
            return false;
        *close = '\0';
    }
    return App.programPath[0] && lstrcmpiA(path, App.programPath) == 0;
}

bool SetStartWithWindows(bool on)
{
    char command[PATH_BYTES + 2];
    if (on && !QuotedProgramPath(command, sizeof command)) {
        Log("Start with Windows: the program's path cannot be recorded: %.*s",
            (int)sizeof App.programPath, App.programPath);
        return false;
    }
    if (App.dryRun) {
        if (on)
            Log("Start with Windows (dry run): would write HKEY_CURRENT_USER\\%s\\%s = %s", RunKey,
                ProgramName, command);
        else
            Log("Start with Windows (dry run): would remove HKEY_CURRENT_USER\\%s\\%s", RunKey,
                ProgramName);
        return false;
    }
    HKEY key;
    LONG result;
    if (on) {
        result = RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                                 NULL);
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExA(key, ProgramName, 0, REG_SZ, (const BYTE*)command,
                                    lstrlenA(command) + 1);
            RegCloseKey(key);
        }
        Log("Start with Windows: HKEY_CURRENT_USER\\%s\\%s = %s (result %ld)", RunKey, ProgramName,
            command, (long)result);
    } else {
        result = RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_SET_VALUE, &key);
        if (result == ERROR_SUCCESS) {
            result = RegDeleteValueA(key, ProgramName);
            RegCloseKey(key);
        }
        // Nothing to remove is what was asked for.
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_SUCCESS;
        Log("Start with Windows: HKEY_CURRENT_USER\\%s\\%s removed (result %ld)", RunKey,
            ProgramName, (long)result);
    }
    return result == ERROR_SUCCESS;
}
