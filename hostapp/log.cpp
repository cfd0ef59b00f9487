// The message log (--log FILE): one line per request the host received and what it did.
#include "hostapp.h"
#include <stdarg.h>
#include <stdio.h>

void Log(const char* format, ...)
{
    if (!App.logPath[0])
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    _vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    line[sizeof line - 1] = '\0';
    // A cut line under the UTF-8 code page ends before the character it would have split.
    int length = lstrlenA(line);
    if (length == (int)sizeof line - 1 && GetACP() == CP_UTF8) {
        int start = length;
        while (start > 0 && ((unsigned char)line[start - 1] & 0xC0) == 0x80)
            start--;
        unsigned char lead = start > 0 ? (unsigned char)line[start - 1] : 0;
        int size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0xC0 && length - (start - 1) < size)
            line[start - 1] = '\0';
    }
    // Opened for each line, so that a reader sees every line at once and nothing is held open.
    FILE* file = fopen(App.logPath, "a");
    if (file) {
        fprintf(file, "%s\n", line);
        fclose(file);
    }
}
