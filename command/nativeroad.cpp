// The shell road of the 32-bit bar on 64-bit Windows (a WOW64 process): a typed line means what
// it means in Windows' own Run dialog, a 64-bit program. Only the program being started goes
// through Sysnative, which exists for 32-bit processes alone; folders and documents keep the
// path as typed, which the 64-bit Explorer and 64-bit handlers know. %ProgramFiles% and
// %CommonProgramFiles% name the 64-bit folders, and a bare name is also looked up in the
// 64-bit registry's App Paths. None of this runs on 32-bit Windows.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"
#include <shellapi.h>

namespace {

const char AppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char DefaultExtensions[] = ".COM;.EXE;.BAT;.CMD";
const int EXTENSIONS_TEXT = 512;
// The line with a variable or the Windows folder put in (as the shell road's own texts).
const int NATIVE_TEXT = COMMAND_TEXT_MAX + MAX_PATH;

bool ReadWindowsFolder(char* folder)
{
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// The two variables' 64-bit values, which WOW64 gives every 32-bit process; empty if absent.
void ReadVariable(const char* name, char* value)
{
    DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        value[0] = '\0';
}

// A program, not a document: its extension is one of PATHEXT's, or it has none and a file of
// that name with one of them exists.
bool IsProgram(const char* path)
{
    char extensions[EXTENSIONS_TEXT];
    DWORD length = GetEnvironmentVariableA("PATHEXT", extensions, sizeof extensions);
    if (length == 0 || length >= sizeof extensions)
        strcopy(extensions, DefaultExtensions);
    const char* name = path + lstrlenA(path);
    while (name > path && name[-1] != '\\' && name[-1] != '/')
        name--;
    const char* dot = NULL;
    for (const char* p = name; *p; p++)
        if (*p == '.')
            dot = p;
    int pathLength = lstrlenA(path);
    for (char* extension = extensions; *extension;) {
        char* end = extension;
        while (*end && *end != ';')
            end++;
        char separator = *end;
        *end = '\0';
        int extensionLength = (int)(end - extension);
        if (dot && !lstrcmpiA(dot, extension))
            return true;
        if (!dot && extensionLength > 0 && pathLength + extensionLength < MAX_PATH) {
            char candidate[MAX_PATH];
            strcopy(strecopy(candidate, path), extension);
            if (GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES)
                return true;
        }
        extension = separator ? end + 1 : end;
    }
    return false;
}

// A text's first token, or the whole of it unquoted, is a program.
bool StartsAProgram(const char* text)
{
    char whole[NATIVE_TEXT];
    lstrcpynA(whole, text, sizeof whole);
    if (IsQuoted(whole))
        Unquote(whole);
    char token[NATIVE_TEXT];
    SplitFirstToken(text, token);
    return IsProgram(whole) || IsProgram(token);
}

// A Sysnative path, in place, as a 64-bit program names it: through System32.
void AsSeenByNative(char* path)
{
    char windowsFolder[MAX_PATH];
    if (ReadWindowsFolder(windowsFolder))
        NativeFolderAsSeen(path, windowsFolder);
}

// path (size bytes) through Sysnative when it names the 64-bit system folder; a path that would
// not fit stays as it is, never cut into another one.
void ThroughNative(char* path, int size)
{
    char windowsFolder[MAX_PATH];
    char mapped[NATIVE_TEXT];
    if (ReadWindowsFolder(windowsFolder) &&
        MapSystemFolder(path, windowsFolder, mapped, MinInt(size, sizeof mapped)))
        strcopy(path, mapped);
}

// The default value of App Paths\<name> and its Path value in the 64-bit view, under root.
bool ReadAppPath(HKEY root, const char* name, char* program, char* path)
{
    char key[sizeof AppPathsKey + MAX_PATH + 4];
    bool extension = false;
    for (const char* p = name; *p; p++)
        if (*p == '.')
            extension = true;
    if (lstrlenA(name) >= MAX_PATH)
        return false;
    strcopy(strecopy(strecopy(key, AppPathsKey), name), extension ? "" : ".exe");
    HKEY entry;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &entry) != ERROR_SUCCESS)
        return false;
    // Both may be REG_EXPAND_SZ: the shell expands them (SEE_MASK_DOENVSUBST).
    DWORD type = 0, bytes = MAX_PATH - 1;
    program[0] = path[0] = '\0';
    bool found = RegQueryValueExA(entry, NULL, NULL, &type, (BYTE*)program, &bytes) == ERROR_SUCCESS &&
                 (type == REG_SZ || type == REG_EXPAND_SZ);
    program[found ? (bytes < MAX_PATH ? bytes : MAX_PATH - 1) : 0] = '\0';
    bytes = MAX_PATH - 1;
    if (RegQueryValueExA(entry, "Path", NULL, &type, (BYTE*)path, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        path[bytes < MAX_PATH ? bytes : MAX_PATH - 1] = '\0';
    else
        path[0] = '\0';
    RegCloseKey(entry);
    return found && program[0];
}

// The 64-bit meaning of the two variables, in place (size bytes); likewise never cut.
void Map64BitVariables(char* text, int size)
{
    char files[MAX_PATH], common[MAX_PATH];
    ReadVariable("ProgramW6432", files);
    ReadVariable("CommonProgramW6432", common);
    char mapped[NATIVE_TEXT];
    if (MapFolderVariables(text, files, common, mapped, MinInt(size, sizeof mapped)))
        strcopy(text, mapped);
}

}  // namespace

const char* NativeTextToRun(const char* typed, char* mapped, int size)
{
    char line[NATIVE_TEXT];
    lstrcpynA(line, typed, sizeof line);
    Map64BitVariables(line, sizeof line);
    char windowsFolder[MAX_PATH];
    char native[NATIVE_TEXT];
    const char* chosen = line;
    // A folder of the 64-bit system folder is found through Sysnative (and explored by its
    // System32 name); a program starts through it; a document keeps its path.
    if (ReadWindowsFolder(windowsFolder) &&
        MapSystemFolder(line, windowsFolder, native, sizeof native) &&
        (DirExists(native) || StartsAProgram(native)))
        chosen = native;
    if (!lstrcmpA(chosen, typed) || lstrlenA(chosen) >= size)
        return typed;
    strcopy(mapped, chosen);
    return mapped;
}

void ExploredAsSeen(char* folder)
{
    AsSeenByNative(folder);
}

bool NativeAppPath(const char* name, char* program, char* folder)
{
    char path[MAX_PATH];
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    bool found = false;
    for (HKEY root : roots)
        if (!found && ReadAppPath(root, name, program, path))
            found = true;
    if (!found)
        return false;
    if (IsQuoted(program))
        Unquote(program);
    Map64BitVariables(program, MAX_PATH);
    Map64BitVariables(path, MAX_PATH);
    // The Path value's first folder, else the program's own.
    for (char* p = path; *p; p++)
        if (*p == ';')
            *p = '\0';
    int length = lstrlenA(path);
    while (length > 3 && path[length - 1] == '\\')
        path[--length] = '\0';
    if (path[0])
        strcopy(folder, path);
    else if (!ReadWindowsFolder(folder))
        return false;
    else
        WorkingFolderOf(program, folder, MAX_PATH);
    ThroughNative(program, MAX_PATH);
    AsSeenByNative(folder);
    return true;
}

bool NativeDocument(const char* typed, char* handler, char* document, char* folder)
{
    char windowsFolder[MAX_PATH];
    char native[NATIVE_TEXT];
    if (!ReadWindowsFolder(windowsFolder) ||
        !MapSystemFolder(typed, windowsFolder, native, sizeof native) || lstrlenA(native) >= MAX_PATH)
        return false;
    DWORD attributes = GetFileAttributesA(native);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        IsProgram(native))
        return false;
    char nativeFolder[MAX_PATH];
    strcopy(nativeFolder, windowsFolder);
    WorkingFolderOf(native, nativeFolder, MAX_PATH);
    if ((INT_PTR)FindExecutableA(native, nativeFolder, handler) <= 32 || !handler[0])
        return false;
    ThroughNative(handler, MAX_PATH);
    // A 64-bit handler cannot open a Sysnative path, a 32-bit one only that.
    DWORD kind = SCS_32BIT_BINARY;
    bool native64 = GetBinaryTypeA(handler, &kind) && kind == SCS_64BIT_BINARY;
    char seen[MAX_PATH];
    strcopy(seen, native);
    if (native64)
        AsSeenByNative(seen);
    strcopy(strecopy(strecopy(document, "\""), seen), "\"");
    strcopy(folder, nativeFolder);
    AsSeenByNative(folder);
    return true;
}
