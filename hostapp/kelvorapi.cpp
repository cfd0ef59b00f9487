// The helper library, loaded by the host at run time from its own folder: a missing library or
// function is then the host's to report, instead of the loader's to refuse the program.
#include "hostapp.h"

namespace {

void __stdcall LogLibraryLine(const char* line) { Log("%s", line); }

}  // namespace

HMODULE LoadProgramLibrary(const char* path)
{
    // Where the system folder is the only place searched, the DLL's own folder is added for its
    // imports alone; before that (Windows 7 without its update, XP), the altered search order
    // puts that folder first.
    if (App.dllSearchRestricted)
        return LoadLibraryExA(path, NULL,
                              LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool LoadKelvor(const char* folder, char* message, int size)
{
    const char FileName[] = "kelvor.dll";
    char path[PATH_BYTES];
    if (lstrlenA(folder) + (int)sizeof FileName > (int)sizeof path) {
        DescribeFileProblem(folder, "The program's folder name is too long.",
                            ERROR_FILENAME_EXCED_RANGE, message, size);
        return false;
    }
    lstrcpyA(path, folder);
    lstrcatA(path, FileName);
    char otherKind[320];
    if (OtherKindOfModule(path, "The helper library kelvor.dll", otherKind, sizeof otherKind)) {
        DescribeFileProblem(path, otherKind, ERROR_SUCCESS, message, size);
        return false;
    }
    HMODULE library = LoadProgramLibrary(path);
    if (!library) {
        DWORD error = GetLastError();
        DescribeFileProblem(path,
                            GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES
                                ? "The helper library kelvor.dll is missing."
                                : "The helper library kelvor.dll is damaged or not a " BUILD_KIND
                                  " Windows library.",
                            error, message, size);
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
            DWORD error = GetLastError();
            char problem[160];
            wsprintfA(problem, "The helper library kelvor.dll lacks the function %.32s: it is "
                      "damaged or of another version.", entry.name);
            DescribeFileProblem(path, problem, error, message, size);
            FreeLibrary(library);
            ZeroMemory(&api, sizeof api);
            return false;
        }
    }
    api.library = library;
    // The host's own saves may wait a moment for a file another program holds; the plug-in's
    // CloseCFGw never does.
    FARPROC retrying = GetProcAddress(library, "KelvorCloseCFGwRetrying");
    if (retrying)
        api.CloseCFGw = (BOOL(__stdcall*)(void*, int, ConfigCursor*))(void*)retrying;
    // Of a later version of the library: one without it runs on without the log lines.
    api.KelvorSetLog = (void(__stdcall*)(void(__stdcall*)(const char*)))(void*)GetProcAddress(
        library, "KelvorSetLog");
    if (api.KelvorSetLog)
        api.KelvorSetLog(LogLibraryLine);
    return true;
}
