// Linux stand-ins for the platform and helper-library calls the text routines make. They keep
// the contracts the routines rely on, nothing more, so that the sanitizer sees every byte the
// routines touch.
#include <windows.h>
#include <ctype.h>
#include "host/kelvor.h"

extern "C" {

int lstrlenA(const char* text) { return text ? (int)strlen(text) : 0; }

// The platform's comparison is locale-aware; ASCII folding is enough for these texts.
int lstrcmpiA(const char* a, const char* b)
{
    for (;; a++, b++) {
        int x = tolower((unsigned char)*a), y = tolower((unsigned char)*b);
        if (x != y || !x)
            return x - y;
    }
}

// The fuzzer picks the process's code page for each input.
unsigned ShimCodePage = 1252;
unsigned GetACP(void) { return ShimCodePage; }

// Shift-JIS lead bytes; every other code page here is single-byte or UTF-8.
BOOL IsDBCSLeadByteEx(unsigned codePage, BYTE byte)
{
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// Copies at most size - 1 characters and always terminates, as the platform's does.
char* lstrcpynA(char* destination, const char* source, int size)
{
    if (size <= 0)
        return destination;
    int i = 0;
    for (; i < size - 1 && source[i]; i++)
        destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

void __stdcall strcopy(char* destination, const char* source) { strcpy(destination, source); }

char* __stdcall strecopy(char* destination, const char* source)
{
    strcpy(destination, source);
    return destination + strlen(destination);
}

void __stdcall strmoven(char* destination, const char* source, int count)
{
    memcpy(destination, source, count);
    destination[count] = '\0';
}

BOOL __stdcall IsPSTREmpty(const char* text) { return !text || !text[0]; }

void __stdcall Unquote(char* text)
{
    int n = (int)strlen(text);
    if (n >= 2 && text[0] == '"' && text[n - 1] == '"') {
        memmove(text, text + 1, n - 2);
        text[n - 2] = '\0';
    }
}

}  // extern "C"

// The module's own comparison widens UTF-8 texts through the platform; ASCII folding is enough
// for the names it is compared with here.
int CompareNoCase(const char* a, const char* b) { return lstrcmpiA(a, b); }
