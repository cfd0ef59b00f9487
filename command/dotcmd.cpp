// Performing a dot command: the host's actions, and those the bar carries out itself.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../host/messages.h"
#include "command.h"
#include "textrules.h"

enum DotCommand {
    DOT_NONE, DOT_HELP, DOT_ABOUT, DOT_RECYCLE, DOT_MYCOMPUTER, DOT_SHUTDOWN, DOT_LOGOFF,
    DOT_CPANEL, DOT_INSTALL, DOT_SETUPCLOCK, DOT_CLEARHISTORY, DOT_MASTER, DOT_WALLPAPERS,
    DOT_THEME, DOT_PRINTERS, DOT_RECENT, DOT_FIND, DOT_OPEN, DOT_SCREEN, DOT_CLEARRECENT,
    DOT_DESKTOP, DOT_PROPERTIES, DOT_SITE, DOT_ERROR,
};
static_assert(DOT_ERROR == DOT_COMMAND_COUNT, "one number for every entry of DotCommandTable");

static DWORD ActionCodeOf(int number)
{
    switch (number) {
    case DOT_ABOUT: return HOSTACTION_ABOUT;
    case DOT_RECYCLE: return HOSTACTION_RECYCLE;
    case DOT_MYCOMPUTER: return HOSTACTION_MYCOMPUTER;
    case DOT_SHUTDOWN: return HOSTACTION_SHUTDOWN;
    case DOT_LOGOFF: return HOSTACTION_LOGOFF;
    case DOT_CPANEL: return HOSTACTION_CPANEL;
    case DOT_MASTER: return HOSTACTION_MASTER;
    case DOT_PRINTERS: return HOSTACTION_PRINTERS;
    case DOT_RECENT: return HOSTACTION_RECENT;
    case DOT_FIND: return HOSTACTION_FIND;
    case DOT_SCREEN: return HOSTACTION_SCREEN;
    case DOT_CLEARRECENT: return HOSTACTION_CLEARRECENT;
    case DOT_DESKTOP: return HOSTACTION_DESKTOP;
    }
    return 0;
}

const char SiteAddress[] = "http://www.brandelmor.example/orvel/";

static void PutCaretAfter(const char* text)
{
    int length = lstrlenA(text);
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)text);
    SendMessageA(State.input, EM_SETSEL, length, length);
}

static void ShowCommandList()
{
    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGOPENING, 0, 0);
    MessageBoxA(State.bar, CommandListText, "Command list:", MB_OK);
    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGCLOSED, 0, 0);
}

// By its full path: the shell looks for a bare program name in the current folder before the
// system folder, and the host may stand in any folder, where a file called rundll32.exe would
// run in the user's session. A system folder too long for the buffer starts nothing.
static void StartInstallApplet()
{
    const char ProgramName[] = "\\rundll32.exe";
    char program[MAX_PATH + sizeof ProgramName];
    UINT length = GetSystemDirectoryA(program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    strcopy(program + length, ProgramName);
    ShellExecuteA(State.host.mainWindow, NULL, program, "shell32.dll,Control_RunDLL appwiz.cpl,,1",
                  NULL, SW_SHOWNORMAL);
}

void RunDotCommand(const char* text)
{
    int number = MatchDotCommand(text);
    int length = lstrlenA(text);

    // Recorded before the action and whatever its outcome, by the table's name.
    if (number != DOT_NONE && number != DOT_HELP && number != DOT_CLEARHISTORY &&
        number != DOT_ERROR) {
        char recorded[1 + 64];  // "." and a name, which fits the 64-character comparison buffers
        strcopy(strecopy(recorded, "."), DotCommandTable[number]);
        AddToHistory(recorded);
    }

    HostCommand command;
    ZeroMemory(&command, sizeof command);
    command.action = ActionCodeOf(number);

    switch (number) {
    case DOT_NONE:
    case DOT_HELP:
        ShowCommandList();
        break;
    case DOT_INSTALL:
        StartInstallApplet();
        break;
    case DOT_SETUPCLOCK:
        PostMessageA(State.host.mainWindow, HOSTMSG_SETUPCLOCK, 0, 0);
        break;
    case DOT_WALLPAPERS:
        PostMessageA(State.host.mainWindow, HOSTMSG_WALLPAPERS, 0, 0);
        break;
    case DOT_CLEARHISTORY:
        ClearHistory();
        break;
    case DOT_THEME:
        RunThemeTool();
        break;
    case DOT_PROPERTIES:
        ShowProperties();
        break;
    case DOT_OPEN:
        // The chosen path waits in the line until the user presses Enter.
        if (ChooseFile()) {
            PutCaretAfter(State.CommandBuffer);
            return;
        }
        break;
    case DOT_SITE:
        SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)SiteAddress);
        SendMessageA(State.input, EM_SETSEL, 0, -1);
        ExecuteInput();  // one level deep: the address does not begin with "."
        break;
    case DOT_ERROR:
        PutCaretAfter(State.FailedCommand);
        return;
    }

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
