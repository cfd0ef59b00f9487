// The 64-bit system folder as a 32-bit process on 64-bit Windows must name it: the platform
// shows such a process SysWOW64 where it asks for System32, and "Sysnative" reaches the real one.
// And the variables that name the 64-bit program folders to everyone but a 32-bit process.
#include <windows.h>
#include "textrules.h"

const char SystemFolder[] = "\\System32";
const char NativeFolder[] = "\\Sysnative";
static const char* const WindowsVariables[] = {"%windir%", "%SystemRoot%"};

// Equal over count bytes, ASCII letters in any case; other bytes must be the same.
static bool SameStart(const char* text, const char* start, int count)
{
    for (int i = 0; i < count; i++) {
        unsigned char a = (unsigned char)text[i], b = (unsigned char)start[i];
        if (a >= 'A' && a <= 'Z')
            a += 'a' - 'A';
        if (b >= 'A' && b <= 'Z')
            b += 'a' - 'A';
        if (a != b || a == '\0')
            return false;
    }
    return true;
}

bool MapSystemFolder(const char* text, const char* windowsFolder, char* mapped, int size)
{
    const char* rest = text;
    int quote = *rest == '"' ? 1 : 0;
    rest += quote;
    int folderLength = lstrlenA(windowsFolder);
    while (folderLength > 0 && windowsFolder[folderLength - 1] == '\\')
        folderLength--;
    if (folderLength == 0)
        return false;

    // The two variables stand for the Windows folder, as the shell would expand them.
    bool named = false;
    for (const char* variable : WindowsVariables) {
        int length = lstrlenA(variable);
        if (SameStart(rest, variable, length)) {
            rest += length;
            named = true;
            break;
        }
    }
    if (!named) {
        if (!SameStart(rest, windowsFolder, folderLength))
            return false;
        rest += folderLength;
    }
    int systemLength = lstrlenA(SystemFolder);
    if (!SameStart(rest, SystemFolder, systemLength))
        return false;
    rest += systemLength;
    // System32 itself or something in it, not System32x.
    unsigned char next = (unsigned char)*rest;
    if (next != '\0' && next != '\\' && next != '"' && next > ' ')
        return false;

    int needed = quote + folderLength + lstrlenA(NativeFolder) + lstrlenA(rest) + 1;
    if (needed > size)
        return false;
    char* end = mapped;
    if (quote)
        *end++ = '"';
    CopyMemory(end, windowsFolder, folderLength);
    end += folderLength;
    for (const char* p = NativeFolder; *p; p++)
        *end++ = *p;
    while (*rest)
        *end++ = *rest++;
    *end = '\0';
    return true;
}

bool IsBareName(const char* name)
{
    if (name[0] == '\0')
        return false;
    for (const char* p = name; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            return false;
    return true;
}

// The folder a program from the 64-bit system folder starts in, as that program sees it:
// "Sysnative" exists only for 32-bit programs, and the 64-bit one finds its own folder under the
// name System32. That name passes this process's checks too, redirected to SysWOW64.
void NativeFolderAsSeen(char* folder, const char* windowsFolder)
{
    int folderLength = lstrlenA(windowsFolder);
    while (folderLength > 0 && windowsFolder[folderLength - 1] == '\\')
        folderLength--;
    int nativeLength = lstrlenA(NativeFolder);
    if (folderLength == 0 || !SameStart(folder, windowsFolder, folderLength) ||
        !SameStart(folder + folderLength, NativeFolder, nativeLength))
        return;
    char* rest = folder + folderLength + nativeLength;
    if (*rest != '\0' && *rest != '\\')
        return;
    char* end = folder + folderLength;
    for (const char* p = SystemFolder; *p; p++)
        *end++ = *p;
    MoveMemory(end, rest, lstrlenA(rest) + 1);
}

bool MapFolderVariables(const char* text, const char* programFiles, const char* commonFiles,
                        char* mapped, int size)
{
    // The names with their closing %: %ProgramFiles(x86)% is not %ProgramFiles%.
    const char* const names[] = {"%ProgramFiles%", "%CommonProgramFiles%"};
    const char* const values[] = {programFiles, commonFiles};
    int used = 0;
    bool replaced = false;
    for (; *text; text++) {
        const char* piece = text;
        int length = 1;
        for (int i = 0; i < 2 && piece == text; i++) {
            int nameLength = lstrlenA(names[i]);
            if (values[i] && values[i][0] && SameStart(text, names[i], nameLength)) {
                piece = values[i];
                length = lstrlenA(piece);
                text += nameLength - 1;
                replaced = true;
            }
        }
        // Room for the piece and the NUL.
        if (used + length >= size)
            return false;
        CopyMemory(mapped + used, piece, length);
        used += length;
    }
    if (!replaced)
        return false;
    mapped[used] = '\0';
    return true;
}
