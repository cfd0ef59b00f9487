/* A 64-bit program: it appends its command line to the file that ORVEL_NATIVE_LOG names and,
   given a file as its first argument, whether it could open it ("opened", "cannot open"), so a
   test sees that it ran, how, and whether the path it got means anything to a 64-bit process.
   The tests put it only into the 64-bit system folder, and under other names elsewhere. */
#include <windows.h>

int main(int argc, char** argv)
{
    char path[1024];
    DWORD length = GetEnvironmentVariableA("ORVEL_NATIVE_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 1;
    const char* opened = "";
    if (argc > 1 && argv[1][0] != '-') {
        HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0,
                                  NULL);
        opened = file != INVALID_HANDLE_VALUE ? "\topened" : "\tcannot open";
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(log, line, lstrlenA(line), &written, NULL);
    WriteFile(log, opened, lstrlenA(opened), &written, NULL);
    WriteFile(log, "\r\n", 2, &written, NULL);
    CloseHandle(log);
    return 0;
}
