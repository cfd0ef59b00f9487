// The system's own words for an error code, for the boxes that tell why the host cannot start.
#include "hostapp.h"
#include <stdio.h>

void AppendSystemError(char* message, int size, DWORD error)
{
    int used = lstrlenA(message);
    if (error == ERROR_SUCCESS || used >= size - 1)
        return;
    char text[512] = "";
    // The system's text ends with a line break: the code goes on a line of its own.
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   text, sizeof text, NULL);
    _snprintf(message + used, size - used, "\n\n%s(error %lu)", text, (unsigned long)error);
    message[size - 1] = '\0';
}

void DescribeFileProblem(const char* path, const char* problem, DWORD error, char* message,
                         int size)
{
    _snprintf(message, size, "%s\n\n%s", path, problem);
    message[size - 1] = '\0';
    AppendSystemError(message, size, error);
}
