// The system's own words for an error code, for the boxes that tell why the host cannot start
// or cannot store its options.
#include "hostapp.h"
#include <stdio.h>

namespace {

// Appends text to out (used characters of size), as far as it goes.
void AppendBounded(char* out, int size, int* used, const char* text, int length)
{
    for (int i = 0; i < length && *used < size - 1; i++)
        out[(*used)++] = text[i];
    out[*used] = '\0';
}

}  // namespace

void SystemErrorText(DWORD error, const char* file, char* text, int size)
{
    if (size <= 0)
        return;
    text[0] = '\0';
    char raw[512] = "";
    // The inserts are filled here, not by the system, which would read arguments not given.
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                        raw, sizeof raw, NULL))
        return;
    int used = 0;
    for (const char* c = raw; *c; c++) {
        if (c[0] == '%' && c[1] >= '1' && c[1] <= '9') {
            c++;
            // "%1!s!": the insert's format goes with it.
            if (c[1] == '!') {
                const char* close = c + 2;
                while (*close && *close != '!')
                    close++;
                if (*close)
                    c = close;
            }
            if (file && file[0]) {
                AppendBounded(text, size, &used, file, lstrlenA(file));
            } else {
                // Left out, with the blank before it: "Bad EXE format."
                while (used > 0 && text[used - 1] == ' ')
                    text[--used] = '\0';
                int word = used;
                while (word > 0 && text[word - 1] != ' ')
                    word--;
                // A lone "for" or "of" before the insert goes too.
                if (used - word <= 3 && word > 0 && used > word && (c[1] == '.' || !c[1])) {
                    used = word - 1;
                    text[used] = '\0';
                }
            }
        } else if (c[0] == '%' && c[1] == '%') {
            AppendBounded(text, size, &used, c++, 1);
        } else {
            AppendBounded(text, size, &used, c, 1);
        }
    }
    while (used > 0 && (text[used - 1] == '\r' || text[used - 1] == '\n' || text[used - 1] == ' '))
        text[--used] = '\0';
}

void AppendSystemError(char* message, int size, DWORD error, const char* file)
{
    int used = lstrlenA(message);
    if (error == ERROR_SUCCESS || used >= size - 1)
        return;
    char text[512];
    SystemErrorText(error, file, text, sizeof text);
    _snprintf(message + used, size - used, "\n\n%s\n(error %lu)", text, (unsigned long)error);
    message[size - 1] = '\0';
}

void DescribeFileProblem(const char* path, const char* problem, DWORD error, char* message,
                         int size)
{
    _snprintf(message, size, "%s\n\n%s", path, problem);
    message[size - 1] = '\0';
    AppendSystemError(message, size, error, path);
}
