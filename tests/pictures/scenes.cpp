// Sets up the scenes of the README's and the guide's pictures with the real program, one after
// the other, and asks tools/pictures to photograph each: for a scene it writes "<name>.rect"
// (left top width height [opacity], screen pixels) into the output folder and waits for
// "<name>.done". A scene with an opacity is taken twice, the bar hidden and shown ("<name>-under"
// first), for the tool to lay the bar over what is behind it at that opacity.
//   scenes <output folder> <program folder> [hidpi | monitors]
// With a third argument only that scene is set up: "hidpi" on a display at 150 %, "monitors" on
// a display of two monitors, whose picture covers the whole virtual screen.
// The program folder holds OrvelCmd.exe, OrvelCmd.plg and kelvor.dll; each scene writes its
// OrvelCmd.ini there (portable use) before it starts the program.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "harness/process.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"

namespace {
std::string outFolder, programFolder;
ProgramRun host, notepad;
const int MARGIN = 12;

void Mark(const char* name)
{
    FILE* file = fopen((outFolder + name).c_str(), "w");
    if (file)
        fclose(file);
}

void Fail(const char* what)
{
    fprintf(stderr, "scenes: %s\n", what);
    Mark("failed");
    EndProgram(&host);
    EndProgram(&notepad);
    ExitProcess(1);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

RECT Padded(RECT r)
{
    InflateRect(&r, MARGIN, MARGIN);
    return r;
}

RECT WindowRectOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

RECT Union(RECT a, RECT b)
{
    RECT r;
    UnionRect(&r, &a, &b);
    return r;
}

RECT VirtualScreen()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Hands the scene to the photographer and waits until it is taken.
void Photograph(const char* name, RECT r, int opacity = -1)
{
    PumpMessages(600);  // let every window finish painting
    RECT screen = VirtualScreen();
    IntersectRect(&r, &r, &screen);
    std::string base = outFolder + name;
    DeleteFileA((base + ".done").c_str());
    FILE* file = fopen((base + ".rect.tmp").c_str(), "wb");
    if (!file)
        Fail("cannot write into the output folder");
    if (opacity >= 0)
        fprintf(file, "%ld %ld %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top, opacity);
    else
        fprintf(file, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    fclose(file);
    MoveFileExA((base + ".rect.tmp").c_str(), (base + ".rect").c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!WaitUntil([&] { return FileExists(base + ".done"); }, 60000))
        Fail("the photographer did not answer");
    DeleteFileA((base + ".done").c_str());
}

void WriteSettings(const char* text)
{
    std::string path = programFolder + "OrvelCmd.ini";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        Fail("cannot write OrvelCmd.ini");
    fputs(text, file);
    fclose(file);
}

const char HistoryKey[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

void WriteHistory(const std::vector<const char*>& texts)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, HistoryKey);
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, HistoryKey, &key) != ERROR_SUCCESS)
        Fail("cannot write the history");
    for (size_t i = 0; i < texts.size(); i++) {
        char name[8];
        wsprintfA(name, "%u", (unsigned)i);
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)texts[i], lstrlenA(texts[i]) + 1);
    }
    DWORD current = (DWORD)texts.size();
    RegSetValueExA(key, "Current", 0, REG_DWORD, (const BYTE*)&current, sizeof current);
    RegCloseKey(key);
}

HWND StartHost(const char* settings)
{
    WriteSettings(settings);
    if (!StartProgram("\"" + programFolder + "OrvelCmd.exe\" --dry-run", programFolder, &host))
        Fail("cannot start OrvelCmd.exe");
    HWND bar = WaitForProcessWindow(host.id, "Abrivel", 30000);
    if (!bar)
        Fail("no bar appeared");
    return bar;
}

void StopHost()
{
    HWND hostWindow = FindWindowA(HostWindowClass, NULL);
    if (hostWindow)
        PostMessageA(hostWindow, WM_COMMAND, IDM_HOST_EXIT, 0);
    if (WaitForExit(&host, 10000) == STILL_ACTIVE)
        EndProgram(&host);
    EndProgram(&host);
}

// The bar with the keyboard focus, as after a click: a second start hands it over.
void FocusBar()
{
    ProgramRun second;
    if (StartProgram("\"" + programFolder + "OrvelCmd.exe\" --dry-run", programFolder, &second)) {
        WaitForExit(&second, 15000);
        EndProgram(&second);
    }
}

// A window behind the bar: Notepad with a few lines, its top left at (left, top).
HWND StartNotepad(int left, int top)
{
    if (!StartProgram("notepad.exe", "", &notepad))
        Fail("cannot start Notepad");
    HWND window = WaitForProcessWindow(notepad.id, "Notepad", 30000);
    if (!window)
        Fail("no Notepad window");
    SetWindowPos(window, HWND_BOTTOM, left, top, 560, 300, SWP_NOACTIVATE);
    HWND edit = FindWindowExA(window, NULL, "Edit", NULL);
    SendMessageA(edit, WM_SETTEXT, 0,
                 (LPARAM)"To do this week\r\n\r\n"
                         "- call the plumber about the kitchen tap, before Friday\r\n"
                         "- send the invoices of November to the accountant\r\n"
                         "- buy batteries for the wireless mouse and the keyboard\r\n"
                         "- book the train to the conference in January\r\n");
    return window;
}

HWND WaitForBox(const char* caption)
{
    HWND found = NULL;
    WaitUntil([&] {
        for (HWND box : ProcessWindows(host.id, "#32770")) {
            if (!caption || WindowText(box) == caption)
                found = box;
        }
        return found != NULL;
    }, 30000);
    if (!found)
        Fail("the expected dialog did not appear");
    return found;
}
// The bar started with a few commands run before, its history list opened; the list's window.
HWND OpenHistory(const char* settings, HWND* bar)
{
    WriteHistory({"notepad", "C:\\Documents\\plan.txt", "www.example.org", ".Recycle", "calc",
                  "control desk.cpl"});
    *bar = StartHost(settings);
    PostMessageA(FindWindowExA(*bar, NULL, "ComboBox", NULL), CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = WaitForProcessWindow(host.id, "ComboLBox", 10000);
    if (!list)
        Fail("the history list did not open");
    return list;
}

// The bar at 150 %, its history list opened: text, button and list drawn for that size.
void HighDpiScene()
{
    HWND bar;
    HWND list = OpenHistory("[Abrivel]\r\nXPos=60\r\nYPos=40\r\nWidth=420\r\n", &bar);
    Photograph("hidpi", Padded(Union(WindowRectOf(bar), WindowRectOf(list))));
    StopHost();
}

// Without a desktop of Wine's own, what no window covers is the display's bare root: a plain
// window stands in for the wallpaper.
HWND Wallpaper()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = CreateSolidBrush(RGB(58, 110, 165));
    windowClass.lpszClassName = "ScenesWallpaper";
    RegisterClassA(&windowClass);
    RECT r = VirtualScreen();
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, windowClass.lpszClassName, "",
                           WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, NULL, NULL, windowClass.hInstance, NULL);
}

// Notepad on the first monitor, the bar on the second with its history list opened.
void MonitorsScene()
{
    if (GetSystemMetrics(SM_CMONITORS) != 2)
        Fail("the display has no two monitors");
    HWND wallpaper = Wallpaper();
    HWND window = StartNotepad(60, 60);
    SetWindowPos(wallpaper, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND bar;
    OpenHistory("[Abrivel]\r\nXPos=1124\r\nYPos=60\r\nWidth=420\r\n", &bar);
    // The tray's icons stand in a window of their own on such a display; a taskbar would hold them.
    HWND tray = FindWindowA(NULL, "Wine System Tray");
    if (tray)
        ShowWindow(tray, SW_HIDE);
    Photograph("monitors", VirtualScreen());
    StopHost();
    EndProgram(&notepad);
    DestroyWindow(wallpaper);
}
}  // namespace

int main(int argc, char** argv)
{
    const std::string only = argc == 4 ? argv[3] : "";
    if ((argc != 3 && argc != 4) || (argc == 4 && only != "hidpi" && only != "monitors")) {
        fprintf(stderr, "usage: scenes <output folder> <program folder> [hidpi | monitors]\n");
        return 2;
    }
    outFolder = std::string(argv[1]) + "\\";
    programFolder = std::string(argv[2]) + "\\";
    if (!only.empty()) {
        only == "hidpi" ? HighDpiScene() : MonitorsScene();
        Mark("finished");
        return 0;
    }
    const char* placed = "[Abrivel]\r\nXPos=60\r\nYPos=40\r\nWidth=420\r\n";

    // The bar on the desktop, in front of a window's text and across its edge.
    WriteHistory({});
    HWND window = StartNotepad(20, 20);
    const char* overWindow = "[Abrivel]\r\nXPos=260\r\nYPos=92\r\nWidth=420\r\n";
    HWND bar = StartHost(overWindow);
    RECT behind = WindowRectOf(window), front = WindowRectOf(bar);
    RECT area = {behind.left - 10, behind.top - 10, front.right + 40, front.bottom + 60};
    Photograph("bar", area);
    StopHost();

    // The same, translucent.
    bar = StartHost("[Abrivel]\r\nXPos=260\r\nYPos=92\r\nWidth=420\r\nTransparency=40\r\n");
    // The opacity the bar asked for, not the one this scene meant to set.
    BYTE opacity = 255;
    DWORD layered = 0;
    if (!GetLayeredWindowAttributes(bar, NULL, &opacity, &layered) || !(layered & LWA_ALPHA) ||
        opacity == 255)
        Fail("the bar is not translucent");
    ShowWindow(bar, SW_HIDE);
    Photograph("translucent-under", area);
    ShowWindow(bar, SW_SHOWNA);
    Photograph("translucent", area, opacity);
    StopHost();
    EndProgram(&notepad);

    // The history list, opened.
    HWND list = OpenHistory(placed, &bar);
    Photograph("history", Padded(Union(WindowRectOf(bar), WindowRectOf(list))));
    StopHost();

    // The command list.
    WriteHistory({});
    bar = StartHost(placed);
    TypeLine(bar, ".help");
    HWND box = WaitForBox("Command list:");
    // Beside the bar rather than in the middle of the screen, so that one picture shows both.
    RECT barRect = WindowRectOf(bar);
    SetWindowPos(box, NULL, barRect.left + 40, barRect.bottom + 8, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Photograph("commandlist", Padded(Union(WindowRectOf(bar), WindowRectOf(box))));
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    // A line that names nothing.
    FocusBar();
    TypeLine(bar, "notapad");
    WaitUntil([&] { return WindowText(InputLineOf(bar)) == ".Error: not found"; }, 15000);
    Photograph("notfound", Padded(WindowRectOf(bar)));

    // The bar's menu, opened over its button, with a line typed.
    SendMessageA(InputLineOf(bar), WM_SETTEXT, 0, (LPARAM)"notepad");
    PostMessageA(bar, WM_CONTEXTMENU, (WPARAM)bar, MAKELPARAM(barRect.left + 10, barRect.top + 10));
    HWND menu = WaitForProcessWindow(host.id, "#32768", 10000);
    if (!menu)
        Fail("the menu did not open");
    Photograph("menu", Padded(Union(barRect, WindowRectOf(menu))));
    StopHost();

    // The options dialog.
    bar = StartHost(placed);
    TypeLine(bar, ".Properties");
    box = WaitForBox(NULL);
    Photograph("options", Padded(WindowRectOf(box)));
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    StopHost();

    // Collapsed to its button.
    bar = StartHost("[Abrivel]\r\nXPos=60\r\nYPos=40\r\nWidth=420\r\nMinimize=1\r\n");
    RECT small = WindowRectOf(bar);
    Photograph("collapsed", {small.left - 30, small.top - 20, small.right + 30, small.bottom + 20});
    StopHost();
    Mark("finished");
    return 0;
}
