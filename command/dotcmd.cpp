// Performing a dot command: the host's actions, and those the bar carries out itself.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../host/messages.h"
#include "command.h"
#include "textrules.h"

const char SiteAddress[] = "http://www.brandelmor.example/orvel/";

namespace {

// What the bar does itself for a command: true when it has left the line as the user is to find
// it, so that no request of the host follows and the line is not emptied.
typedef bool (*DotHandler)();

void PutCaretAfter(const char* text)
{
    int length = lstrlenA(text);
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)text);
    SendMessageA(State.input, EM_SETSEL, length, length);
}

bool ShowCommandList()
{
    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGOPENING, 0, 0);
    MessageBoxA(State.bar, CommandListText, "Command list:", MB_OK);
    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGCLOSED, 0, 0);
    return false;
}

// By its full path: the shell looks for a bare program name in the current folder before the
// system folder, and the host may stand in any folder, where a file called rundll32.exe would
// run in the user's session. A system folder too long for the buffer starts nothing.
bool StartInstallApplet()
{
    const char ProgramName[] = "\\rundll32.exe";
    char program[MAX_PATH + sizeof ProgramName];
    UINT length = GetSystemDirectoryA(program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    strcopy(program + length, ProgramName);
    ShellExecuteA(State.host.mainWindow, NULL, program, "shell32.dll,Control_RunDLL appwiz.cpl,,1",
                  NULL, SW_SHOWNORMAL);
    return false;
}

bool ForgetHistory()
{
    ClearHistory();
    return false;
}

bool StartThemeTool()
{
    RunThemeTool();
    return false;
}

bool AskForProperties()
{
    ShowProperties();
    return false;
}

// The chosen path waits in the line until the user presses Enter.
bool OpenChosenFile()
{
    if (!ChooseFile(State.CommandBuffer, sizeof State.CommandBuffer))
        return false;
    PutCaretAfter(State.CommandBuffer);
    return true;
}

bool OpenSite()
{
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)SiteAddress);
    SendMessageA(State.input, EM_SETSEL, 0, -1);
    // Read back as a typed line is, and opened as the web target it is.
    if (ReadInputLine())
        OpenWebTarget();
    return false;
}

bool BringBackFailed()
{
    PutCaretAfter(State.FailedCommand);
    return true;
}

struct DotAction {
    DotCommand number;
    DWORD action;       // sent to the host in a HostCommand
    UINT posted;        // posted to the host
    DotHandler handler;
};

#define DOT_ACTION_ROW(name, action, posted, handler, recorded, listed) \
    {DOT_##name, action, posted, handler},
constexpr DotAction DotActions[DOT_COMMAND_COUNT + 1] = {
    {DOT_NONE, 0, 0, ShowCommandList},  // no match: the list, and the word stays to be corrected
    DOT_COMMANDS(DOT_ACTION_ROW)
};
#undef DOT_ACTION_ROW

constexpr bool ActionsAtTheirNumbers()
{
    for (int number = 0; number <= DOT_COMMAND_COUNT; number++)
        if (DotActions[number].number != number)
            return false;
    return true;
}
static_assert(ActionsAtTheirNumbers(), "each dot command's action at its number");

}  // namespace

void RunDotCommand(const char* text)
{
    int number = MatchDotCommand(text);
    int length = lstrlenA(text);
    const DotAction& perform = DotActions[number];

    // Recorded before the action and whatever its outcome, by the table's name.
    if (DotCommandTable[number].recorded) {
        char recorded[1 + 64];  // "." and a name, which fits the 64-character comparison buffers
        strcopy(strecopy(recorded, "."), DotCommandTable[number].name);
        AddToHistory(recorded);
    }

    HostCommand command;
    ZeroMemory(&command, sizeof command);
    command.action = perform.action;
    if (perform.posted)
        PostMessageA(State.host.mainWindow, perform.posted, 0, 0);
    if (perform.handler && perform.handler())
        return;

    // The record lives on this stack frame, so it is sent, never posted.
    if (command.action != 0)
        SendMessageA(State.host.mainWindow, HOSTMSG_COMMAND, 0, (LPARAM)&command);

    if (number != DOT_NONE) {
        State.CommandBuffer[0] = '\0';
        SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)State.CommandBuffer);
    } else {
        // One past the end of the line's text (the dot): the edit control limits it to the end.
        SendMessageA(State.input, EM_SETSEL, length + 2, length + 2);
    }
}
