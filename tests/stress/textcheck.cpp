#include "textcheck.h"
#include <windows.h>
#include <string.h>
#include "command/textrules.h"

namespace {

bool IsBlankOrControl(char c) { return (unsigned char)c >= 1 && (unsigned char)c <= 32; }

// Case-insensitive agreement of the first n characters, by the platform's own comparison.
bool AgreeOn(const char* a, const char* b, int n)
{
    char x[MAX_PATH], y[MAX_PATH];
    if (n >= MAX_PATH)
        return false;
    memcpy(x, a, n);
    x[n] = '\0';
    memcpy(y, b, n);
    y[n] = '\0';
    return lstrcmpiA(x, y) == 0;
}

int Length(const char* text) { return (int)strlen(text); }

}  // namespace

const char* CheckIsQuoted(const char* text, bool answer)
{
    int n = Length(text);
    bool one = n >= 2 && text[0] == '"' && text[n - 1] == '"' && !memchr(text + 1, '"', n - 2);
    return one == answer ? nullptr : "IsQuoted is true exactly for one quoted token";
}

const char* CheckIsWebTarget(const char* text, bool answer)
{
    // The routine looks at what fits the line in bytes (259 characters of up to 3 bytes),
    // without one enclosing pair of quotes.
    const int room = 3 * (MAX_PATH - 1) + 1;
    char copy[room];
    int n = Length(text);
    if (n > room - 1)
        n = room - 1;
    memcpy(copy, text, n);
    copy[n] = '\0';
    if (n >= 2 && copy[0] == '"' && copy[n - 1] == '"') {
        memmove(copy, copy + 1, n - 2);
        n -= 2;
        copy[n] = '\0';
    }
    static const char* const prefixes[] = {"http://", "https://", "www.", "ftp.", "ftp://", "file://"};
    bool web = false;
    for (const char* prefix : prefixes)
        if (n >= Length(prefix) && AgreeOn(copy, prefix, Length(prefix)))
            web = true;
    if (n >= 5 && lstrcmpiA(copy + n - 4, ".htm") == 0)
        web = true;
    if (n >= 6 && lstrcmpiA(copy + n - 5, ".html") == 0)
        web = true;
    return web == answer ? nullptr
                         : "IsWebTarget is true exactly for a web prefix or a named .htm/.html";
}

const char* CheckSplitFirstToken(const char* source, const char* returned, const char* token)
{
    if (!source)
        return returned || token[0] ? "a null source gives a null result and an empty token"
                                     : nullptr;
    int n = Length(source);
    if (returned < source || returned > source + n)
        return "the returned pointer lies within the source";
    if (!IsBlankOrControl(*returned) && *returned != '\0' && Length(token) < TOKEN_LIMIT)
        return "the returned pointer stops at a character of code 32 or less, or the end";
    if (strchr(token, '"'))
        return "the token holds no double quote";
    // What was skipped: blanks, control characters and empty pairs of quotes only.
    const char* start = source;
    for (;;) {
        if (IsBlankOrControl(*start))
            start++;
        else if (start[0] == '"' && start[1] == '"')
            start += 2;
        else
            break;
    }
    if (start > returned)
        return "the token starts after what the routine returned";
    // The token is the stretch between, less its quotes; quoted blanks belong to it.
    int t = 0;
    for (const char* c = start; c < returned; c++) {
        if (*c == '"')
            continue;
        if (token[t] != *c)
            return "the token is the source's first stretch without its quotes";
        t++;
    }
    if (token[t] != '\0')
        return "the token holds nothing the source did not give";
    return nullptr;
}

const char* CheckWorkingFolderOf(const char* path, const char* before, const char* after)
{
    int n = Length(path);
    int last = -1;
    for (int i = n - 1; i >= 3; i--)
        if (path[i] == '\\') {
            last = i;
            break;
        }
    if (last < 0 && !(n > 2 && path[2] == '\\'))
        return strcmp(before, after) == 0 ? nullptr
                                          : "a path naming no folder leaves the folder as it was";
    int k = Length(after);
    if (k >= MAX_PATH)
        return "the folder fits MAX_PATH";
    if (strncmp(after, path, k) != 0)
        return "the folder is a prefix of the path";
    int expected = last >= 0 ? last : 3;
    if (expected <= MAX_PATH - 1)
        return k == expected ? nullptr
                             : "the folder ends at the path's last backslash (a root keeps it)";
    // Cut to fit: where a character may take several bytes, up to 3 bytes earlier, so that no
    // character is split.
    int slack = GetACP() == CP_UTF8 ? 3 : IsDBCSLeadByteEx(GetACP(), 0x81) ? 1 : 0;
    return k <= MAX_PATH - 1 && k >= MAX_PATH - 1 - slack
               ? nullptr
               : "a folder too long is cut to fit, between characters";
}

const char* CheckJoinPath(const char* path, const char* name, const char* joined)
{
    int n = Length(path);
    bool slash = n > 0 && path[n - 1] != '\\';
    if (strncmp(joined, path, n) != 0)
        return "a joined path starts with the path";
    if (slash && joined[n] != '\\')
        return "a backslash separates path and name";
    const char* rest = joined + n + (slash ? 1 : 0);
    return strcmp(rest, name ? name : "") == 0 ? nullptr : "the name follows the backslash";
}

const char* CheckMatchDotCommand(const char* text, int number)
{
    if (number < 0 || number > DOT_COMMAND_COUNT)
        return "MatchDotCommand answers 0 to 23";
    int length = Length(text);
    if (length == 0)
        return number == 0 ? nullptr : "an empty word matches nothing";
    for (int i = 1; i <= DOT_COMMAND_COUNT; i++) {
        const char* name = DotCommandTable[i].name;
        if (AgreeOn(name, text, MinInt(length, Length(name))))
            return i == number ? nullptr : "the first name that agrees on the shorter length wins";
    }
    return number == 0 ? nullptr : "no name agrees, so nothing matches";
}
