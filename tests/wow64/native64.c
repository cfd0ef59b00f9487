/* A 64-bit program that exists only in the 64-bit system folder: it appends its command line to
   the file that ORVEL_NATIVE_LOG names, so a test sees that it ran and how. */
#include <windows.h>

int main(void)
{
    char path[1024];
    DWORD length = GetEnvironmentVariableA("ORVEL_NATIVE_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 1;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
    return 0;
}
