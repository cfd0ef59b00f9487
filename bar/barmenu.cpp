// The bar's context menu and its five commands.
#include "../plugin/state.h"
#include "../command/command.h"
#include "bar.h"

void ShowBarMenu(HWND window, LPARAM lParam)
{
    HMENU menu = CreatePopupMenu();
    SendMessageA(State.input, WM_GETTEXT, LineReadLimit(), (LPARAM)State.CommandBuffer);
    if (lstrlenA(State.CommandBuffer) > 0)
        AppendMenuA(menu, MF_STRING, IDM_RUN, "Run");
    AppendMenuA(menu, MF_STRING, IDM_OPEN, "Open...");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    if (State.collapsed)
        AppendMenuA(menu, MF_STRING, IDM_RESTORE, "Restore");
    else
        AppendMenuA(menu, MF_STRING, IDM_MINIMIZE, "Minimize");
    AppendMenuA(menu, MF_STRING, IDM_PROPERTIES, "Properties");
    // Flags 0: the chosen item comes back to the bar as WM_COMMAND.
    POINT at = MessagePoint(lParam);
    TrackPopupMenuEx(menu, 0, at.x, at.y, window, NULL);
    DestroyMenu(menu);
}

// Unlike the dot command ".Open", the chosen path replaces only the selection, and can be undone.
static void InsertChosenFile()
{
    DWORD start = 0, end = 0;
    SendMessageA(State.input, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    char path[COMMAND_TEXT_MAX];
    if (!ChooseFile(path, sizeof path))
        return;
    SendMessageA(State.input, EM_SETSEL, start, end);
    SendMessageA(State.input, EM_REPLACESEL, TRUE, (LPARAM)path);
}

void RunBarMenuCommand(HWND window, int id)
{
    switch (id) {
    case IDM_RUN:
        ExecuteInput();
        break;
    case IDM_OPEN:
        InsertChosenFile();
        break;
    case IDM_RESTORE:
        if (State.collapsed)
            ToggleCollapsed(window);
        break;
    case IDM_MINIMIZE:
        if (!State.collapsed)
            ToggleCollapsed(window);
        break;
    case IDM_PROPERTIES:
        ShowProperties();
        break;
    }
}
