// The default browser: whatever program the platform opens a probe ".htm" file with, found
// once per start and cached; and a web target opened with it.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"
#include <shellapi.h>

static const char ProbeName[] = "orveladdressbar.htm";
static const char FallbackBrowser[] = "explorer.exe";

static void DiscoverBrowser()
{
    char folder[MAX_PATH];
    folder[0] = '\0';
    DWORD length = GetTempPathA(MAX_PATH, folder);
    // A failed or overlong answer may leave the buffer unterminated; the probe then goes by its
    // bare name to the current folder rather than to half a path.
    if (length == 0 || length >= MAX_PATH)
        folder[0] = '\0';

    char probe[MAX_PATH + 1 + sizeof ProbeName];
    strcopy(probe, folder);
    JoinPath(probe, ProbeName);

    // Opened, not emptied, if it exists; held open during the query.
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    HINSTANCE found = FindExecutableA(probe, folder, State.BrowserPath);
    if ((INT_PTR)found > 32)
        GetShortPathNameA(State.BrowserPath, State.BrowserPath, MAX_PATH);
    // An empty answer would leave the cache empty and repeat the search for every address.
    if ((INT_PTR)found <= 32 || IsPSTREmpty(State.BrowserPath))
        strcopy(State.BrowserPath, FallbackBrowser);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    DeleteFileA(probe);
}

void FindBrowser(char* destination)
{
    if (IsPSTREmpty(State.BrowserPath))
        DiscoverBrowser();
    strcopy(destination, State.BrowserPath);
}

// The browser path is normally the short form and has no blank; where the volume has no short
// names it keeps its blanks and is quoted, or CreateProcessA would read the path only up to the
// first blank (C:\Program for C:\Program Files\...). A path without a blank stays as it is.
static bool HasBlank(const char* text)
{
    for (; *text; text++)
        if (*text == ' ')
            return true;
    return false;
}

static char* AppendProgram(char* end, const char* program)
{
    if (!HasBlank(program))
        return strecopy(end, program);
    end = strecopy(end, "\"");
    end = strecopy(end, program);
    return strecopy(end, "\"");
}

static bool LaunchBrowser()
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;

    char browser[COMMAND_TEXT_MAX];
    FindBrowser(browser);

    char target[COMMAND_TEXT_MAX + 2];  // the line and two added quotes
    strcopy(target, State.CommandBuffer);
    if (!IsQuoted(target))
        Quote(target);

    // Browser path (quoted if need be), one blank, the target.
    char commandLine[COMMAND_TEXT_MAX + 2 + 1 + sizeof target];
    char* end = AppendProgram(commandLine, browser);
    end = strecopy(end, " ");
    strcopy(end, target);

    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE, NULL, NULL,
                        &startup, &process))
        return false;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

// The web target in CommandBuffer, for the typed line and for ".Site" alike.
void OpenWebTarget()
{
    if (!LaunchBrowser()) {
        // A browser that will not start leaves the line to the shell, which may still open it.
        ShellRun(false);
        return;
    }
    AddToHistory(State.CommandBuffer);  // as typed, not the quoted form
    State.CommandBuffer[0] = '\0';
    SendMessageA(State.input, WM_SETTEXT, 0, 0);
}
