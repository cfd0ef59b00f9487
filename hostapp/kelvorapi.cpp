// The helper library, loaded by the host at run time from its own folder: a missing library or
// function is then the host's to report, instead of the loader's to refuse the program.
#include "hostapp.h"
#include <stdio.h>

bool LoadKelvor(const char* folder, char* message, int size)
{
    char path[MAX_PATH];
    if (_snprintf(path, sizeof path, "%skelvor.dll", folder) >= (int)sizeof path ||
        path[sizeof path - 1]) {
        _snprintf(message, size, "The program's folder name is too long:\n%s", folder);
        message[size - 1] = '\0';
        return false;
    }
    path[sizeof path - 1] = '\0';
    HMODULE library = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        DWORD error = GetLastError();
        _snprintf(message, size, "%s\n\n%s (error %lu).", path,
                  GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES
                      ? "The helper library kelvor.dll is missing"
                      : "The helper library kelvor.dll is damaged or not a 32-bit Windows library",
                  (unsigned long)error);
        message[size - 1] = '\0';
        return false;
    }
    struct Entry { const char* name; FARPROC* slot; };
    KelvorApi& api = App.kelvor;
    const Entry entries[] = {
        {"OpenCFGr", (FARPROC*)&api.OpenCFGr},       {"CloseCFGr", (FARPROC*)&api.CloseCFGr},
        {"OpenCFGw", (FARPROC*)&api.OpenCFGw},       {"CloseCFGw", (FARPROC*)&api.CloseCFGw},
        {"FindSection", (FARPROC*)&api.FindSection}, {"GetCFGInt", (FARPROC*)&api.GetCFGInt},
        {"GetCFGBool", (FARPROC*)&api.GetCFGBool},   {"SetCFGInt", (FARPROC*)&api.SetCFGInt},
        {"KelvorConfigPath", (FARPROC*)&api.KelvorConfigPath},
    };
    for (const Entry& entry : entries) {
        *entry.slot = GetProcAddress(library, entry.name);
        if (!*entry.slot) {
            _snprintf(message, size, "%s\n\nThe helper library kelvor.dll lacks the function %s: "
                      "it is damaged or of another version.", path, entry.name);
            message[size - 1] = '\0';
            FreeLibrary(library);
            ZeroMemory(&api, sizeof api);
            return false;
        }
    }
    api.library = library;
    return true;
}
