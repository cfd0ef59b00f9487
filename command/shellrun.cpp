// Everything that is neither a dot command nor a web target goes to the Windows shell.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"
#include <shellapi.h>

const char NotFoundText[] = ".Error: not found";

// A text that holds a character no file name may hold (a quote inside, as in a quoted program
// followed by its parameters, or a '|') names no file either: the shell answers
// ERROR_INVALID_NAME for it, not ERROR_FILE_NOT_FOUND, and it gets the same second attempt and
// the same report.
static bool IsNotFound(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

// Judged by the last-error value alone: the Boolean result of ShellExecuteExA is not consulted.
static DWORD Execute(SHELLEXECUTEINFOA* request)
{
    SetLastError(0);
    ShellExecuteExA(request);
    return GetLastError();
}

static DWORD RunThroughShell(const char* typed)
{
    char text[COMMAND_TEXT_MAX];
    char file[COMMAND_TEXT_MAX + 2];   // the text and two added quotes
    char folder[MAX_PATH];
    lstrcpynA(text, typed, sizeof text);

    GetWindowsDirectoryA(folder, MAX_PATH);
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.hwnd = State.bar;

    // First as one file, quoted, in the folder the whole text names.
    strcopy(file, text);
    if (!IsQuoted(file))
        Quote(file);
    request.lpFile = file;
    if (IsQuoted(text))
        Unquote(text);
    WorkingFolderOf(text, folder);
    request.lpDirectory = folder;
    request.fMask = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
    request.nShow = SW_SHOWNORMAL;
    DWORD outcome = Execute(&request);
    if (!IsNotFound(outcome))
        return outcome;

    // Then as a program and its parameters, which start with the blank that ended the token.
    // The token never outgrows the text it comes from, so file holds it.
    request.lpParameters = SplitFirstToken(text, file);
    // Blanks, control characters and empty quotes name no program; an empty file would make
    // the shell open the working folder instead.
    if (file[0] == '\0')
        return outcome;
    GetWindowsDirectoryA(folder, MAX_PATH);
    WorkingFolderOf(file, folder);
    request.lpFile = file;
    request.lpDirectory = folder;
    return Execute(&request);
}

void ShellRun()
{
    DWORD outcome = 0;
    if (DirExists(State.CommandBuffer))
        ShellExecuteA(NULL, "explore", State.CommandBuffer, NULL, NULL, SW_SHOWNORMAL);
    else
        outcome = RunThroughShell(State.CommandBuffer);

    if (IsNotFound(outcome)) {
        // The typed text is kept for ".Error", which brings it back.
        strcopy(State.FailedCommand, State.CommandBuffer);
        strcopy(State.CommandBuffer, NotFoundText);
    } else {
        AddToHistory(State.CommandBuffer);
        State.CommandBuffer[0] = '\0';
    }
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)State.CommandBuffer);
    SendMessageA(State.input, EM_SETSEL, 0, -1);
}
