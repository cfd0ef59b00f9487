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
