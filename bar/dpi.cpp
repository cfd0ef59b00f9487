// The bar at the DPI of its monitor: every size scaled from its 96-DPI value, the input line's
// font, and a button image drawn for that size. At 96 DPI every size, font and image is the
// unscaled one, so a DPI-unaware host sees exactly the bar it always had.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../base/optionalentry.h"
#include "../res/resource.h"
#include "bar.h"

typedef UINT(WINAPI* DpiForWindowProc)(HWND);
typedef BOOL(WINAPI* ParametersForDpiProc)(UINT, UINT, PVOID, UINT, UINT);
typedef HANDLE(WINAPI* ThreadDpiContextProc)();
typedef int(WINAPI* AwarenessOfContextProc)(HANDLE);
typedef HRESULT(WINAPI* ProcessAwarenessProc)(HANDLE, int*);
typedef HRESULT(WINAPI* DpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);

namespace {

// Up to eight times 96: beyond that a DPI is a hostile or broken message, not a monitor.
const int MAX_DPI = BASE_DPI * 8;
// DPI_AWARENESS_PER_MONITOR_AWARE and PROCESS_PER_MONITOR_DPI_AWARE alike; MDT_EFFECTIVE_DPI.
const int PER_MONITOR_AWARE = 2;
const int EFFECTIVE_DPI = 0;

struct ButtonSet {
    int size;
    int firstId;  // the collapsed, focused and idle images follow one another
};
// Smallest first; the 13-pixel set is the one the bar always had.
const ButtonSet BUTTON_SETS[] = {
    {BUTTON_SIZE, IDB_COLLAPSED}, {16, IDB_BUTTONS16}, {20, IDB_BUTTONS20}, {26, IDB_BUTTONS26}};

bool Unscaled() { return State.dpi <= 0 || State.dpi == BASE_DPI; }

// An entry of shcore.dll, which Windows 8.1 and later have: the one the process has loaded, else
// the system folder's, loaded into *loaded for the caller to free.
FARPROC ShcoreEntry(const char* name, HMODULE* loaded)
{
    *loaded = NULL;
    const char file[] = "\\shcore.dll";
    HMODULE shcore = GetModuleHandleA(file + 1);
    if (!shcore) {
        char path[MAX_PATH + 32];
        UINT length = GetWindowsDirectoryA(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return NULL;
        strcopy(strecopy(path + length, SystemFolder), file);
        shcore = *loaded = LoadLibraryA(path);
    }
    return shcore ? GetProcAddress(shcore, name) : NULL;
}

// Windows 8.1 and 10 before 1607 have no GetDpiForWindow: the monitor's effective DPI, which
// the platform itself gives an unaware process as 96 and a system-aware one as the system's.
bool MonitorDpi(HWND window, int* dpi)
{
    HMODULE loaded;
    DpiForMonitorProc forMonitor = (DpiForMonitorProc)(void*)ShcoreEntry("GetDpiForMonitor", &loaded);
    UINT x = 0, y = 0;
    bool known = forMonitor &&
                 forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), EFFECTIVE_DPI, &x,
                            &y) == S_OK;
    if (loaded)
        FreeLibrary(loaded);
    if (known)
        *dpi = (int)y;
    return known;
}

int ScreenDpi()
{
    HDC screen = GetDC(NULL);
    if (!screen)
        return BASE_DPI;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

// The record as Vista and later define it; the headers of this build stop before its last field,
// and older Windows accept only that shorter size.
struct FullMetrics {
    NONCLIENTMETRICSW metrics;
    int paddedBorderWidth;
};

HFONT CreateMessageFont(int dpi)
{
    FullMetrics full;
    NONCLIENTMETRICSW& metrics = full.metrics;
    ZeroMemory(&full, sizeof full);
    metrics.cbSize = sizeof full;
    // Windows 10 1607 and later give the metrics at any DPI; before, they are at the system DPI,
    // which need not be the DPI of the bar's monitor.
    ParametersForDpiProc forDpi =
        (ParametersForDpiProc)(void*)OptionalEntry("user32.dll", "SystemParametersInfoForDpi");
    if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof full, &full, 0, dpi)) {
        metrics.cbSize = sizeof metrics;
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            return NULL;
        int systemDpi = ScreenDpi();
        if (systemDpi > 0 && systemDpi != dpi)
            metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

int Scale(int value) { return Unscaled() ? value : MulDiv(value, State.dpi, BASE_DPI); }

int Unscale(int value) { return Unscaled() ? value : MulDiv(value, BASE_DPI, State.dpi); }

// Before Windows 10 1607 the window cannot tell: the monitor's DPI where Windows 8.1 on has it,
// else the screen's, and that only in a process that declared itself aware of it: XP, and 7 at
// 125 %, tell an unaware one too, which does not expect the bar to scale.
int BarDpi(HWND window)
{
    DpiForWindowProc dpiForWindow =
        (DpiForWindowProc)(void*)OptionalEntry("user32.dll", "GetDpiForWindow");
    typedef BOOL(WINAPI * AwareProc)();
    AwareProc aware = (AwareProc)(void*)OptionalEntry("user32.dll", "IsProcessDPIAware");
    int dpi = BASE_DPI;
    if (dpiForWindow)
        dpi = (int)dpiForWindow(window);
    else if (!MonitorDpi(window, &dpi) && aware && aware())
        dpi = ScreenDpi();
    return dpi > 0 && dpi <= MAX_DPI ? dpi : BASE_DPI;
}

// Whether the host's manifest declares it aware of each monitor's DPI ("PerMonitor",
// "PerMonitorV2", "per monitor" or "true/pm"), the way Microsoft recommends declaring it.
bool ManifestDeclaresPerMonitor()
{
    HMODULE host = GetModuleHandleA(NULL);
    HRSRC found = FindResourceA(host, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    HGLOBAL loaded = found ? LoadResource(host, found) : NULL;
    const char* text = loaded ? (const char*)LockResource(loaded) : NULL;
    int size = text ? (int)SizeofResource(host, found) : 0;
    const char* const words[] = {"monitor", "/pm"};
    for (const char* word : words) {
        int length = lstrlenA(word);
        for (int at = 0; at + length <= size; at++) {
            int i = 0;
            while (i < length && (text[at + i] | 0x20) == word[i])
                i++;
            if (i == length)
                return true;
        }
    }
    return false;
}

// The platform sends WM_DPICHANGED, and moves windows between monitors of other scales, only for
// a thread (Windows 10 1607 on) or process (8.1 on) aware of each monitor's DPI. The host must
// also have declared it: Wine reports every process aware, the shell too, which is not.
bool PerMonitorAware()
{
    if (!ManifestDeclaresPerMonitor())
        return false;
    ThreadDpiContextProc context =
        (ThreadDpiContextProc)(void*)OptionalEntry("user32.dll", "GetThreadDpiAwarenessContext");
    AwarenessOfContextProc awareness =
        (AwarenessOfContextProc)(void*)OptionalEntry("user32.dll", "GetAwarenessFromDpiAwarenessContext");
    if (context && awareness)
        return awareness(context()) == PER_MONITOR_AWARE;
    HMODULE loaded;
    ProcessAwarenessProc process =
        (ProcessAwarenessProc)(void*)ShcoreEntry("GetProcessDpiAwareness", &loaded);
    int value = 0;
    bool aware = process && process(NULL, &value) == S_OK && value == PER_MONITOR_AWARE;
    if (loaded)
        FreeLibrary(loaded);
    return aware;
}

// At 96 the stock font the bar always had; elsewhere the system's message font at the bar's DPI.
// The font it replaces is deleted only once the combo box no longer uses it.
void ApplyBarFont()
{
    HFONT previous = State.font;
    State.font = Unscaled() ? NULL : CreateMessageFont(State.dpi);
    HGDIOBJ font = State.font ? (HGDIOBJ)State.font : GetStockObject(ANSI_VAR_FONT);
    SendMessageA(State.combo, WM_SETFONT, (WPARAM)font, 0);
    if (previous)
        DeleteObject(previous);
}

// The largest set not larger than the scaled button square, centred in it when smaller: a
// stretched 13-pixel image would be blurred.
void LoadButtonImages()
{
    int square = Scale(BUTTON_SIZE);
    const ButtonSet* chosen = &BUTTON_SETS[0];
    for (const ButtonSet& set : BUTTON_SETS)
        if (set.size <= square)
            chosen = &set;
    if (chosen->size == State.imageSize)
        return;
    for (int i = 0; i < IMAGE_COUNT; i++) {
        if (State.images[i])
            DeleteObject(State.images[i]);
        State.images[i] = (HBITMAP)LoadImageA(State.instance, MAKEINTRESOURCEA(chosen->firstId + i),
                                              IMAGE_BITMAP, 0, 0, 0);
    }
    State.imageSize = chosen->size;
}

int ComboHeight()
{
    RECT rect;
    SetRectEmpty(&rect);
    GetWindowRect(State.combo, &rect);
    return rect.bottom - rect.top;
}

// The bar moved to a monitor of another scale, or the scale changed: font, height, button and
// widths follow; the widths at 96 DPI, which the configuration holds, stay what they were.
bool FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The suggested place must be one: a window of no size is no suggestion.
    int dpi = LOWORD(wParam);
    const RECT* suggested = (const RECT*)lParam;
    if (!State.bar || dpi <= 0 || dpi > MAX_DPI || !suggested ||
        suggested->right <= suggested->left || suggested->bottom <= suggested->top ||
        !PerMonitorAware())
        return false;
    int width96 = Unscale(State.width);
    int saved96 = Unscale(State.savedWidth);
    State.dpi = dpi;
    ApplyBarFont();
    LoadButtonImages();
    State.savedWidth = Scale(saved96);
    int width = State.collapsed ? Scale(COLLAPSED_WIDTH) : Scale(width96);
    State.barHeight = ComboHeight() + Scale(BAR_HEIGHT_MARGIN);
    SetWindowPos(State.combo, NULL, Scale(BUTTON_AREA_WIDTH), Scale(COMBO_TOP),
                 width - Scale(COMBO_MARGIN), Scale(COMBO_LIST_HEIGHT),
                 SWP_NOZORDER | SWP_NOACTIVATE);

    // Raises WM_SIZE, which records the width and saves it as the width at 96 DPI.
    SetWindowPos(window, NULL, suggested->left, suggested->top, width, State.barHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The combo box took its new font without redrawing.
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return true;
}
