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

// The line with a variable or the Windows folder put in (as the shell road's own texts).
const int NATIVE_TEXT = COMMAND_TEXT_MAX + MAX_PATH;

bool ReadWindowsFolder(char* folder)
{
    UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// A program, not a document: its extension is one of PATHEXT's, or it has none and a file of
// that name with one of them exists.
bool IsProgram(const char* path)
{
    char extensions[EXTENSIONS_TEXT], extension[EXTENSIONS_TEXT], candidate[MAX_PATH];
    ReadProgramExtensions(extensions);
    const char* own = FileExtension(path);
    int pathLength = lstrlenA(path);
    for (const char* rest = extensions; (rest = NextExtension(rest, extension, sizeof extension));) {
        if (*own) {
            if (!lstrcmpiA(extension, own))
                return true;
        } else if (extension[0] && pathLength + lstrlenA(extension) < MAX_PATH) {
            strcopy(strecopy(candidate, path), extension);
            if (GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES)
                return true;
        }
    }
    return false;
}

// text (size bytes) through Sysnative when it names the 64-bit system folder, into native;
// false, and native untouched, for any other text or one that would not fit.
bool ThroughNative(const char* text, char* native, int size)
{
    char windowsFolder[MAX_PATH];
    return ReadWindowsFolder(windowsFolder) && MapSystemFolder(text, windowsFolder, native, size);
}

// The 64-bit meaning of the two variables, in place (size bytes); a text that would not fit
// stays as it is, never cut into another one.
void Map64BitVariables(char* text, int size)
{
    char files[MAX_PATH], common[MAX_PATH], mapped[NATIVE_TEXT];
    files[0] = common[0] = '\0';
    if (GetEnvironmentVariableA("ProgramW6432", files, MAX_PATH) >= MAX_PATH)
        files[0] = '\0';
    if (GetEnvironmentVariableA("CommonProgramW6432", common, MAX_PATH) >= MAX_PATH)
        common[0] = '\0';
    if (MapFolderVariables(text, files, common, mapped, MinInt(size, sizeof mapped)))
        strcopy(text, mapped);
}

// A text value of key (MAX_PATH bytes); empty when absent or not text.
void ReadText(HKEY key, const char* name, char* text)
{
    DWORD type = 0, bytes = MAX_PATH - 1;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)text, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        bytes = 0;
    text[bytes] = '\0';
}

}  // namespace

const char* NativeTextToRun(const char* typed, char* mapped, int size)
{
    char line[NATIVE_TEXT];
    lstrcpynA(line, typed, sizeof line);
    Map64BitVariables(line, sizeof line);
    // A folder of the 64-bit system folder is found through Sysnative (and explored by its
    // System32 name); a program starts through it, whether it is the whole text or its first
    // token; a document keeps its path.
    char native[NATIVE_TEXT], whole[NATIVE_TEXT], token[NATIVE_TEXT];
    const char* chosen = line;
    if (ThroughNative(line, native, sizeof native)) {
        strcopy(whole, native);
        if (IsQuoted(whole))
            Unquote(whole);
        SplitFirstToken(native, token);
        if (DirExists(native) || IsProgram(whole) || IsProgram(token))
            chosen = native;
    }
    if (!lstrcmpA(chosen, typed) || lstrlenA(chosen) >= size)
        return typed;
    strcopy(mapped, chosen);
    return mapped;
}

// A Sysnative path, in place, as a 64-bit program names it: through System32.
void ExploredAsSeen(char* folder)
{
    char windowsFolder[MAX_PATH];
    if (ReadWindowsFolder(windowsFolder))
        NativeFolderAsSeen(folder, windowsFolder);
}

bool NativeAppPath(const char* name, char* program, char* folder)
{
    char key[2 * MAX_PATH];
    if (lstrlenA(name) >= MAX_PATH)
        return false;
    strcopy(strecopy(strecopy(key, AppPathsKey), name), *FileExtension(name) ? "" : ".exe");
    HKEY entry;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &entry) &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &entry))
        return false;
    // Either may be REG_EXPAND_SZ: the shell expands what is left (SEE_MASK_DOENVSUBST).
    char path[MAX_PATH], native[MAX_PATH];
    ReadText(entry, NULL, program);
    ReadText(entry, "Path", path);
    RegCloseKey(entry);
    if (IsQuoted(program))
        Unquote(program);
    Map64BitVariables(program, MAX_PATH);
    Map64BitVariables(path, MAX_PATH);
    if (!program[0] || !ReadWindowsFolder(folder))
        return false;
    // The Path value's first folder, else the program's own.
    for (char* p = path; *p; p++)
        if (*p == ';')
            *p = '\0';
    WorkingFolderOf(program, folder, MAX_PATH);
    if (path[0])
        lstrcpynA(folder, path, MAX_PATH);
    if (ThroughNative(program, native, sizeof native))
        strcopy(program, native);
    ExploredAsSeen(folder);
    return true;
}

bool NativeDocument(const char* typed, char* handler, char* document, char* folder)
{
    char native[MAX_PATH], seen[MAX_PATH];
    if (!ThroughNative(typed, native, sizeof native) || IsProgram(native))
        return false;
    DWORD attributes = GetFileAttributesA(native);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !ReadWindowsFolder(folder))
        return false;
    WorkingFolderOf(native, folder, MAX_PATH);
    if ((INT_PTR)FindExecutableA(native, folder, handler) <= 32 || !handler[0])
        return false;
    if (ThroughNative(handler, seen, sizeof seen))
        strcopy(handler, seen);
    // A 64-bit handler cannot open a Sysnative path, a 32-bit one only that.
    DWORD kind = SCS_32BIT_BINARY;
    strcopy(seen, native);
    if (GetBinaryTypeA(handler, &kind) && kind == SCS_64BIT_BINARY)
        ExploredAsSeen(seen);
    strcopy(strecopy(strecopy(document, "\""), seen), "\"");
    ExploredAsSeen(folder);
    return true;
}
