// The floor: the bar's window and combo box made and animated with the very calls the module
// makes, but with no module around them (no settings, no images, no host messages).
#include "bench.h"
#include "host/kelvor.h"
#include <shellapi.h>

namespace {
const char FloorClass[] = "OrvelBenchFloor";
const DWORD BAR_STYLE = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD COMBO_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL |
                          CBS_AUTOHSCROLL | CBS_DROPDOWN;
const int WIDTH = 400;
const int COLLAPSED = 24;
const int STEP = 32;

HWND bar;
HWND combo;
HWND input;
WNDPROC previousEditProc;
int width;
int height;
bool savePerStep;
APPBARDATA appBar;
HDC imageDC;
HBITMAP image;
char configPath[MAX_PATH];

void (*returnAction)();
double saveTime;

LRESULT CALLBACK FloorEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && LOBYTE(wParam) == VK_RETURN && returnAction)
        returnAction();
    return CallWindowProcA(previousEditProc, window, message, wParam, lParam);
}

// The write the module's settings make at every size change: open, four keys, close.
void SaveLikeTheModule()
{
    double begin = Now();
    ConfigCursor cursor;
    OpenCFGw(configPath, &cursor);
    FindSection("Abrivel", 1, &cursor);
    SetCFGInt("Width", width, &cursor);
    SetCFGInt("Minimize", 0, &cursor);
    RECT rect;
    GetWindowRect(bar, &rect);
    SetCFGInt("XPos", rect.left, &cursor);
    SetCFGInt("YPos", rect.top, &cursor);
    CloseCFGw(configPath, 0, &cursor);
    saveTime += Now() - begin;
}

// Paints what the module's bar paints: face, edge and the 13 x 13 button.
void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    HGDIOBJ previous = SelectObject(imageDC, image);
    BitBlt(dc, 5, height / 2 - 6, 13, 13, imageDC, 0, 0, SRCCOPY);
    SelectObject(imageDC, previous);
    EndPaint(window, &paint);
}

LRESULT CALLBACK FloorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (!bar)
            break;
        width = LOWORD(lParam);
        if (savePerStep)
            SaveLikeTheModule();
        break;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Resize(int w)
{
    SetWindowPos(bar, HWND_TOP, 0, 0, w, height, SWP_NOMOVE);
    SetWindowPos(combo, HWND_TOP, 0, 0, w - 24, 160, SWP_NOMOVE);
}

void ShowStep()
{
    InvalidateRect(bar, NULL, FALSE);
    UpdateWindow(bar);
}
}  // namespace

void FloorStart(int top, FloorStartTimes* times)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (!imageDC) {
        imageDC = CreateCompatibleDC(NULL);
        HDC screen = GetDC(NULL);
        image = CreateCompatibleBitmap(screen, 13, 13);
        ReleaseDC(NULL, screen);
        lstrcpynA(configPath, (BenchFolder() + "floor.ini").c_str(), MAX_PATH);
    }
    double t0 = Now();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = FloorWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.lpszClassName = FloorClass;
    RegisterClassA(&windowClass);
    double t1 = Now();
    bar = NULL;
    HWND created = CreateWindowExA(WS_EX_TOPMOST, FloorClass, "floor", BAR_STYLE, 0, top, WIDTH, 0,
                                   NULL, NULL, instance, NULL);
    bar = created;
    combo = CreateWindowExA(0, "COMBOBOX", NULL, COMBO_STYLE, 22, 2, WIDTH - 24, 260, bar, NULL,
                            instance, NULL);
    double t2 = Now();
    input = GetWindow(combo, GW_CHILD);
    previousEditProc =
        (WNDPROC)SetWindowLongPtrA(input, GWLP_WNDPROC, (LONG_PTR)FloorEditProc);
    SendMessageA(combo, WM_SETFONT, (WPARAM)GetStockObject(ANSI_VAR_FONT), 0);
    SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
    RECT rect;
    GetWindowRect(combo, &rect);
    height = rect.bottom - rect.top + 4;
    double t3 = Now();
    SetWindowPos(bar, NULL, 0, 0, WIDTH, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    double t4 = Now();
    ZeroMemory(&appBar, sizeof appBar);
    appBar.cbSize = sizeof appBar;
    appBar.hWnd = bar;
    appBar.uCallbackMessage = 0x402;
    SHAppBarMessage(ABM_NEW, &appBar);
    double t5 = Now();
    ShowWindow(bar, SW_SHOWNA);
    double t6 = Now();
    if (times)
        *times = {t1 - t0, t2 - t1, t3 - t2, t4 - t3, t5 - t4, t6 - t5};
}

void FloorStop()
{
    SHAppBarMessage(ABM_REMOVE, &appBar);
    DestroyWindow(bar);
    bar = combo = input = NULL;
    UnregisterClassA(FloorClass, GetModuleHandleA(NULL));
}

HWND FloorBar() { return bar; }
HWND FloorCombo() { return combo; }
HWND FloorInput() { return input; }
void SetFloorReturnAction(void (*action)()) { returnAction = action; }

void FloorSave() { SaveLikeTheModule(); }

double FloorSaveTime()
{
    double spent = saveTime;
    saveTime = 0;
    return spent;
}

// The module's collapse: every offset taken off the width the step before reached.
void FloorCollapse(bool save)
{
    savePerStep = save;
    for (int offset = 1; offset < width - COLLAPSED; offset += STEP) {
        Resize(width - offset);
        ShowStep();
        Sleep(1);
    }
    Resize(COLLAPSED);
    ShowStep();
    if (save)
        SaveLikeTheModule();
    savePerStep = false;
}

void FloorExpand(bool save)
{
    savePerStep = save;
    for (int remaining = WIDTH - COLLAPSED; remaining > 0; remaining -= STEP) {
        Resize(WIDTH - remaining);
        ShowStep();
        Sleep(1);
    }
    Resize(WIDTH);
    ShowStep();
    if (save)
        SaveLikeTheModule();
    savePerStep = false;
}
