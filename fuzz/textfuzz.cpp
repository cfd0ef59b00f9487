// libFuzzer target for the pure text routines. Every buffer is allocated to the exact size the
// routine may use, so AddressSanitizer stops at the first byte written or read past it.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include "command/textrules.h"
#include "tests/stress/textcheck.h"

extern "C" unsigned ShimCodePage;

static void Fail(const char* routine, const char* rule, const char* text)
{
    fprintf(stderr, "%s: %s\ninput: \"%s\"\n", routine, rule, text ? text : "(null)");
    abort();
}

static char* Copy(const char* text, size_t room)
{
    char* copy = (char*)malloc(room);
    memcpy(copy, text, strlen(text) + 1);
    return copy;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the routine and, with its top bit, the UTF-8 code page; the rest, cut
    // at its first NUL, is the text.
    int routine = data[0] % 9;
    ShimCodePage = data[0] & 0x80 ? CP_UTF8 : 1252;
    size_t n = strnlen((const char*)data + 1, size - 1);
    char* text = (char*)malloc(n + 1);
    memcpy(text, data + 1, n);
    text[n] = '\0';
    char* before = Copy(text, n + 1);
    const char* rule = nullptr;

    switch (routine) {
    case 0:
        rule = CheckIsQuoted(text, IsQuoted(text));
        break;
    case 1:
        rule = CheckIsWebTarget(text, IsWebTarget(text));
        break;
    case 2: {
        size_t room = (n < (size_t)TOKEN_LIMIT ? n : TOKEN_LIMIT) + 1;
        char* token = (char*)malloc(room);
        const char* returned = SplitFirstToken(text, token);
        rule = CheckSplitFirstToken(text, returned, token);
        free(token);
        break;
    }
    case 3: {
        char* folder = (char*)malloc(MAX_PATH);
        strcpy(folder, "C:\\windows");
        WorkingFolderOf(text, folder, MAX_PATH);
        rule = CheckWorkingFolderOf(text, "C:\\windows", folder);
        free(folder);
        break;
    }
    case 4: {
        // The text splits at its first '|' into path and name; no '|' means a null name.
        char* bar = strchr(text, '|');
        const char* name = nullptr;
        if (bar) {
            *bar = '\0';
            name = bar + 1;
        }
        size_t room = strlen(text) + 1 + (name ? strlen(name) : 0) + 1;
        char* path = Copy(text, room);
        JoinPath(path, name);
        rule = CheckJoinPath(text, name, path);
        free(path);
        if (bar)
            *bar = '|';
        break;
    }
    case 5:
        rule = CheckMatchDotCommand(text, MatchDotCommand(text));
        break;
    case 6: {
        // Exactly as much room as the mapping may need: the folder, "\Sysnative", the rest.
        const char windows[] = "C:\\windows";
        size_t room = 1 + strlen(windows) + 10 + n + 1;
        char* mapped = (char*)malloc(room);
        if (MapSystemFolder(text, windows, mapped, (int)room) &&
            strncmp(mapped + (text[0] == '"'), "C:\\windows\\Sysnative", 20) != 0)
            rule = "a mapped path goes through the Sysnative folder";
        free(mapped);
        break;
    }
    case 8: {
        // The mapped text holds neither variable any more, and a buffer one byte short of it
        // is refused and written only within its size.
        const char files[] = "C:\\Program Files", common[] = "C:\\Program Files\\Common Files";
        size_t room = n * 2 + 16;
        char* mapped = (char*)malloc(room);
        if (MapFolderVariables(text, files, common, mapped, (int)room)) {
            int length = (int)strlen(mapped);
            if (strcasestr(mapped, "%ProgramFiles%") || strcasestr(mapped, "%CommonProgramFiles%"))
                rule = "no variable of a 64-bit folder is left";
            char* shorter = (char*)malloc(length);
            if (MapFolderVariables(text, files, common, shorter, length))
                rule = "a buffer too small is refused";
            free(shorter);
        }
        free(mapped);
        break;
    }
    case 7: {
        int limit = (int)(n / 2);
        int cut = WholeCharacters(text, limit, ShimCodePage);
        if (cut < 0 || cut > limit)
            rule = "a cut keeps within its limit";
        else if (ShimCodePage == CP_UTF8 && ((unsigned char)text[cut] & 0xC0) == 0x80 && cut > 0 &&
                 (unsigned char)text[cut - 1] >= 0xC0 && (unsigned char)text[cut - 1] < 0xF8)
            rule = "a cut never leaves a lead byte without its continuation";
        break;
    }
    }
    if (rule)
        Fail("text routine", rule, before);
    if (routine != 4 && strcmp(text, before) != 0)
        Fail("text routine", "the text is not changed", before);
    // A null source is part of SplitFirstToken's contract.
    if (routine == 2 && n == 0) {
        char token[4] = "x";
        const char* returned = SplitFirstToken(nullptr, token);
        if ((rule = CheckSplitFirstToken(nullptr, returned, token)))
            Fail("SplitFirstToken", rule, nullptr);
    }
    free(before);
    free(text);
    return 0;
}
