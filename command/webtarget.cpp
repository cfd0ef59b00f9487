// What counts as a web target, and the small path routines that build the probe file's name.
#include <windows.h>
#include "../host/kelvor.h"
#include "textrules.h"

static const char* const WebPrefixes[] = {"http://", "https://", "www.", "ftp.", "ftp://", "file://"};

static void UnquotedCopy(char* copy, const char* text)
{
    lstrcpynA(copy, text, LINE_BYTES);
    Unquote(copy);
}

static bool EndsWith(const char* text, int length, const char* suffix, int suffixLength)
{
    return lstrcmpiA(text + length - suffixLength, suffix) == 0;
}

bool IsWebTarget(const char* text)
{
    char copy[LINE_BYTES];
    for (const char* prefix : WebPrefixes) {
        UnquotedCopy(copy, text);
        int length = lstrlenA(prefix);
        if (lstrlenA(copy) > length)
            copy[length] = '\0';
        if (lstrcmpiA(copy, prefix) == 0)
            return true;
    }
    UnquotedCopy(copy, text);
    int n = lstrlenA(copy);
    // At least one character must stand before the suffix.
    if (n < 5)
        return false;
    if (EndsWith(copy, n, ".htm", 4))
        return true;
    return n >= 6 && EndsWith(copy, n, ".html", 5);
}

bool IsQuoted(const char* text)
{
    if (IsPSTREmpty(text) || text[0] != '"')
        return false;
    int n = lstrlenA(text);
    if (n < 2)
        return false;
    for (int i = 1; i <= n - 2; i++)
        if (text[i] == '"')
            return false;
    return text[n - 1] == '"';
}

char* AppendBackslash(char* path)
{
    int n = lstrlenA(path);
    if (n >= 1 && path[n - 1] != '\\') {
        path[n++] = '\\';
        path[n] = '\0';
    }
    return path + n;
}

void JoinPath(char* path, const char* name)
{
    char* end = AppendBackslash(path);
    if (name)
        strecopy(end, name);
}
