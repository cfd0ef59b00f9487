// Records how it was started and exits: one line "command line<TAB>current folder" appended to
// the file named by ORVEL_RECORDER_LOG, or to recorder.log beside the program.
// Copied under other names (a browser, rundll32.exe, vestrad.exe) it stands in for them.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main()
{
    char log[MAX_PATH];
    if (!GetEnvironmentVariableA("ORVEL_RECORDER_LOG", log, MAX_PATH)) {
        GetModuleFileNameA(NULL, log, MAX_PATH);
        char* slash = strrchr(log, '\\');
        strcpy(slash ? slash + 1 : log, "recorder.log");
    }
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    // Several launches may race for the file: retry while another holds it.
    for (int attempt = 0; attempt < 200; attempt++) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            const char* line = GetCommandLineA();
            DWORD written;
            WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
            WriteFile(file, "\t", 1, &written, NULL);
            WriteFile(file, folder, (DWORD)strlen(folder), &written, NULL);
            WriteFile(file, "\n", 1, &written, NULL);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
