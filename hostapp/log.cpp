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
    // Opened for each line, so that a reader sees every line at once and nothing is held open.
    FILE* file = fopen(App.logPath, "a");
    if (file) {
        fprintf(file, "%s\n", line);
        fclose(file);
    }
}
