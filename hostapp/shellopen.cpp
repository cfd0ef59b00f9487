// Targets handed to the shell: programs of the system folder by their full path, shell folders by
// their item ID lists, documents and addresses with a verb. In dry run they are only logged.
#include "hostapp.h"
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>

namespace {

void ClearTarget(ShellTarget* target)
{
    ZeroMemory(target, sizeof *target);
}

// The parsing name of a shell folder ("::{CLSID}" for the virtual ones, the path for the
// others): what the log shows for it.
bool ParsingName(LPCITEMIDLIST idList, char* name, int size)
{
    IShellFolder* desktop = NULL;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return false;
    STRRET found;
    ZeroMemory(&found, sizeof found);
    HRESULT result = desktop->GetDisplayNameOf(idList, SHGDN_FORPARSING, &found);
    desktop->Release();
    if (FAILED(result))
        return false;
    bool ok = true;
    switch (found.uType) {
    case STRRET_WSTR:
        ok = WideCharToMultiByte(CP_ACP, 0, found.pOleStr, -1, name, size, NULL, NULL) > 0;
        CoTaskMemFree(found.pOleStr);
        break;
    case STRRET_CSTR:
        lstrcpynA(name, found.cStr, size);
        break;
    case STRRET_OFFSET:
        lstrcpynA(name, (const char*)idList + found.uOffset, size);
        break;
    default:
        ok = false;
    }
    return ok;
}

void Describe(const ShellTarget* target, char* text, int size)
{
    _snprintf(text, size, "%s %s%s%s", target->verb ? target->verb : "open", target->file,
              target->parameters[0] ? " " : "", target->parameters);
    text[size - 1] = '\0';
}

// quiet: no error box of the shell's, because another target is tried after this one.
bool Launch(const ShellTarget* target, bool quiet, DWORD* error)
{
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = quiet ? SEE_MASK_FLAG_NO_UI : 0;
    info.hwnd = NULL;
    info.lpVerb = target->verb;
    if (target->idList) {
        info.fMask |= SEE_MASK_IDLIST;
        info.lpIDList = target->idList;
    } else {
        info.lpFile = target->file;
    }
    info.lpParameters = target->parameters[0] ? target->parameters : NULL;
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&info))
        return true;
    *error = GetLastError();
    return false;
}

}  // namespace

bool ProgramTarget(ShellTarget* target, const char* systemProgram, const char* parameters)
{
    ClearTarget(target);
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder ||
        (int)length + 1 + lstrlenA(systemProgram) >= (int)sizeof target->file ||
        (parameters && lstrlenA(parameters) >= (int)sizeof target->parameters))
        return false;
    lstrcpyA(target->file, folder);
    lstrcatA(target->file, "\\");
    lstrcatA(target->file, systemProgram);
    if (parameters)
        lstrcpyA(target->parameters, parameters);
    return true;
}

bool FolderTarget(ShellTarget* target, int csidl)
{
    ClearTarget(target);
    LPITEMIDLIST idList = NULL;
    if (FAILED(SHGetFolderLocation(NULL, csidl, NULL, 0, &idList)) || !idList)
        return false;
    target->idList = idList;
    if (!ParsingName(idList, target->file, sizeof target->file))
        _snprintf(target->file, sizeof target->file, "shell folder %d", csidl);
    target->file[sizeof target->file - 1] = '\0';
    return true;
}

bool FileTarget(ShellTarget* target, const char* verb, const char* file)
{
    ClearTarget(target);
    if (lstrlenA(file) >= (int)sizeof target->file)
        return false;
    target->verb = verb;
    lstrcpynA(target->file, file, sizeof target->file);
    return true;
}

void FreeTarget(ShellTarget* target)
{
    if (target->idList)
        CoTaskMemFree(target->idList);
    target->idList = NULL;
}

bool OpenTarget(const char* label, ShellTarget* target, ShellTarget* fallback)
{
    char first[512], second[512];
    Describe(target, first, sizeof first);
    if (fallback)
        Describe(fallback, second, sizeof second);
    if (App.dryRun) {
        if (fallback)
            Log("%s: %s, else %s (dry run)", label, first, second);
        else
            Log("%s: %s (dry run)", label, first);
        return true;
    }
    DWORD error = 0;
    if (Launch(target, fallback != NULL, &error)) {
        Log("%s: %s", label, first);
        return true;
    }
    if (fallback) {
        DWORD fallbackError = 0;
        if (Launch(fallback, false, &fallbackError)) {
            Log("%s: %s (%s failed: error %lu)", label, second, first, (unsigned long)error);
            return true;
        }
        Log("%s: %s failed: error %lu; %s failed: error %lu", label, first, (unsigned long)error,
            second, (unsigned long)fallbackError);
        return false;
    }
    Log("%s: %s failed: error %lu", label, first, (unsigned long)error);
    return false;
}
