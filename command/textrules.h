// Pure text routines: no window handling, so that they can be tested and fuzzed on their own.
#pragma once
#include <windows.h>
#include "../base/minint.h"
#include "dotcommands.h"

const int LINE_CHARACTERS = MAX_PATH - 1;  // what the input line accepts (CB_LIMITTEXT)
// The line in bytes: under the UTF-8 code page one character of the line (a UTF-16 unit) takes
// up to 3 bytes.
const int LINE_BYTES = 3 * LINE_CHARACTERS + 1;

bool IsWebTarget(const char* text);
bool IsQuoted(const char* text);
char* AppendBackslash(char* path);
void JoinPath(char* path, const char* name);

const int TOKEN_LIMIT = 4096;
const char* SplitFirstToken(const char* source, char* destination);
// The folder a shell request runs in: folder keeps what the caller put there when the path
// names none. folder holds size bytes; a longer folder is cut between characters.
void WorkingFolderOf(const char* path, char* folder, int size);

// The length of text's longest beginning of at most limit bytes that ends between two
// characters of codePage (CP_UTF8 included).
int WholeCharacters(const char* text, int limit, unsigned codePage);

// A typed text that names the System32 folder under windowsFolder, or anything in it (any case,
// quoted or not, parameters after it or not, a leading %windir% or %SystemRoot% for the Windows
// folder), is rewritten into mapped (size bytes) through the Sysnative folder, the rest as typed.
// False, and mapped untouched, for any other text or when the result would not fit.
bool MapSystemFolder(const char* text, const char* windowsFolder, char* mapped, int size);
// Below the Windows folder: the system folder, and the name by which a 32-bit process under
// WOW64 reaches the 64-bit one.
extern const char SystemFolder[];   // "\\System32"
extern const char NativeFolder[];   // "\\Sysnative"
// A working folder under <windows>\Sysnative, named as the 64-bit program it is for sees it.
void NativeFolderAsSeen(char* folder, const char* windowsFolder);
// A program name with no folder, drive or slash in it.
bool IsBareName(const char* name);
// A typed text with %ProgramFiles% and %CommonProgramFiles% (any case, anywhere) replaced by the
// values given, the 64-bit folders that a 32-bit process under WOW64 does not see by those
// names; %ProgramFiles(x86)% and the rest as typed. A null or empty value is not replaced. False
// (mapped then holds nothing of use) when nothing was replaced or the result would not fit (size
// bytes).
bool MapFolderVariables(const char* text, const char* programFiles, const char* commonFiles,
                        char* mapped, int size);

// The extension of a path's last component, its dot included; the empty end of path when it has
// none.
const char* FileExtension(const char* path);
// The next entry of a list such as PATHEXT (".COM;.EXE;.BAT") into extension (size bytes, cut
// when longer); the rest of the list after it, NULL once the list is through.
const char* NextExtension(const char* list, char* extension, int size);

// The dot commands' names and how the history and the command list treat them, in table order;
// [0] stands for no match: the command list, nothing recorded.
struct DotCommandRow {
    DotCommand number;
    const char* name;
    bool recorded;
    int listed;   // the line in the command list, 0 for none
};
extern const DotCommandRow DotCommandTable[DOT_COMMAND_COUNT + 1];
// The listed names with their dots, a line each, joined by CR LF.
extern const char* const CommandListText;
int MatchDotCommand(const char* text);

// Compares like lstrcmpiA, but reads the texts in the process's code page where that is UTF-8.
int CompareNoCase(const char* a, const char* b);
