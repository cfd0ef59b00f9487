// The icon in the notification area and its menu: Options..., Start with Windows, Exit.
#include "hostapp.h"
#include <shellapi.h>

namespace {

const UINT TRAY_ICON_ID = 1;
HICON trayIcon;

// The version 2 size: balloons need it, and every Windows from 2000 on accepts it.
void PrepareIconData(NOTIFYICONDATAA* data)
{
    ZeroMemory(data, sizeof *data);
    data->cbSize = NOTIFYICONDATAA_V2_SIZE;
    data->hWnd = App.window;
    data->uID = TRAY_ICON_ID;
}

void ToggleStartWithWindows()
{
    bool wanted = !StartsWithWindows();
    if (SetStartWithWindows(wanted))
        Log("start with Windows %s", wanted ? "on" : "off");
    else
        Log("start with Windows left %s", wanted ? "off" : "on");
}

}  // namespace

void AddTrayIcon()
{
    if (App.trayShown)
        return;
    if (!trayIcon)
        trayIcon = (HICON)LoadImageA(App.instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                     0);
    NOTIFYICONDATAA data;
    PrepareIconData(&data);
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = HOSTAPP_TRAY;
    data.hIcon = trayIcon;
    lstrcpynA(data.szTip, ProgramName, sizeof data.szTip);
    App.trayShown = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
    // Without a notification area (no shell running yet, or none at all) the host runs on: the
    // shortcut and a second start still reach the bar, and "TaskbarCreated" brings the icon.
    if (App.trayShown)
        Log("tray icon shown");
    else
        Log("no notification area: no tray icon (error %lu)", (unsigned long)GetLastError());
}

void RemoveTrayIcon()
{
    if (App.trayShown) {
        NOTIFYICONDATAA data;
        PrepareIconData(&data);
        Shell_NotifyIconA(NIM_DELETE, &data);
        App.trayShown = false;
    }
    if (trayIcon) {
        DestroyIcon(trayIcon);
        trayIcon = NULL;
    }
}

void TrayBalloon(const char* title, const char* text)
{
    if (App.trayShown) {
        NOTIFYICONDATAA data;
        PrepareIconData(&data);
        data.uFlags = NIF_INFO;
        lstrcpynA(data.szInfo, text, sizeof data.szInfo);
        lstrcpynA(data.szInfoTitle, title, sizeof data.szInfoTitle);
        data.uTimeout = 10000;
        data.dwInfoFlags = NIIF_WARNING;
        if (Shell_NotifyIconA(NIM_MODIFY, &data)) {
            Log("balloon: %s", text);
            return;
        }
    }
    Log("box: %s", text);
    MessageBoxA(DialogOwner(), text, title, MB_OK | MB_ICONWARNING);
}

void TrayNotification(LPARAM event)
{
    switch (event) {
    case WM_LBUTTONUP:
        ActivateBar();
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        ShowTrayMenu();
        break;
    }
}

void ShowTrayMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, IDM_HOST_OPTIONS, "Options...");
    AppendMenuA(menu, MF_STRING | (StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED),
                IDM_HOST_STARTWITHWINDOWS, "Start with Windows");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, IDM_HOST_EXIT, "Exit");
    SetMenuDefaultItem(menu, IDM_HOST_OPTIONS, FALSE);
    POINT point;
    GetCursorPos(&point);
    // A menu whose window is not in the foreground does not close when the user clicks
    // elsewhere; and without a message after it, the next one would close at once.
    SetForegroundWindow(App.window);
    // The chosen item comes to the host window as WM_COMMAND, the one road of every command.
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, App.window, NULL);
    PostMessageA(App.window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void RunTrayCommand(int id)
{
    switch (id) {
    case IDM_HOST_OPTIONS:
        OpenOptions("menu Options");
        break;
    case IDM_HOST_STARTWITHWINDOWS:
        ToggleStartWithWindows();
        break;
    case IDM_HOST_EXIT:
        // The loop ends once every call on the stack, a modal one of the plug-in's included, has
        // returned; the plug-in is stopped and unloaded after it. Its settings were stored as
        // they changed.
        Log("exit");
        EndHostLoop(0);
        break;
    default:
        Log("menu command %d unknown: ignored", id);
        break;
    }
}
