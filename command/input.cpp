// The input line: Return and Escape, and the three roads a line can take.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"

LRESULT CALLBACK EditSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The key is acted on first and passed on afterwards, so the edit control still sees it.
    if (message == WM_KEYDOWN) {
        BYTE key = LOBYTE(wParam);
        // Ctrl+Shift+Enter runs the line as administrator, as the Run dialog does; before Vista
        // there is no such request to make.
        if (key == VK_RETURN)
            ExecuteInput(State.elevation && GetKeyState(VK_CONTROL) < 0 &&
                         GetKeyState(VK_SHIFT) < 0);
        else if (key == VK_ESCAPE)
            SendMessageA(window, WM_SETTEXT, 0, 0);
    }
    return CallWindowProcA(State.previousEditProc, window, message, wParam, lParam);
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

// Dot commands, web addresses and folders ignore the elevation: only the shell road's programs
// are run as administrator.
void ExecuteInput(bool elevated)
{
    State.CommandBuffer[0] = '\0';  // stays empty should the line not answer
    SendMessageA(State.input, WM_GETTEXT, LineReadLimit(), (LPARAM)State.CommandBuffer);
    if (State.CommandBuffer[0] == '\0')
        return;
    if (State.CommandBuffer[0] == '.') {
        RunDotCommand(State.CommandBuffer + 1);
        return;
    }
    if (!IsWebTarget(State.CommandBuffer)) {
        ShellRun(elevated);
        return;
    }
    if (!LaunchBrowser()) {
        // A browser that will not start leaves the line to the shell, which may still open it.
        ShellRun(false);
        return;
    }
    AddToHistory(State.CommandBuffer);  // as typed, not the quoted form
    State.CommandBuffer[0] = '\0';
    SendMessageA(State.input, WM_SETTEXT, 0, 0);
}
