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

// The line into CommandBuffer; false when it is empty.
bool ReadInputLine()
{
    State.CommandBuffer[0] = '\0';  // stays empty should the line not answer
    SendMessageA(State.input, WM_GETTEXT, LineReadLimit(), (LPARAM)State.CommandBuffer);
    return State.CommandBuffer[0] != '\0';
}

// Dot commands, web addresses and folders ignore the elevation: only the shell road's programs
// are run as administrator.
void ExecuteInput(bool elevated)
{
    if (!ReadInputLine())
        return;
    if (State.CommandBuffer[0] == '.') {
        RunDotCommand(State.CommandBuffer + 1);
        return;
    }
    if (!IsWebTarget(State.CommandBuffer)) {
        ShellRun(elevated);
        return;
    }
    OpenWebTarget();
}
