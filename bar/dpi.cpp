// The bar at the DPI of its monitor: every size scaled from its 96-DPI value, the input line's
// font, and a button image drawn for that size. At 96 DPI every size, font and image is the
// unscaled one, so a DPI-unaware host sees exactly the bar it always had.
#include "../plugin/state.h"
#include "../base/optionalentry.h"
#include "../res/resource.h"
#include "bar.h"

typedef UINT(WINAPI* DpiForWindowProc)(HWND);
typedef BOOL(WINAPI* ParametersForDpiProc)(UINT, UINT, PVOID, UINT, UINT);

namespace {

// Up to eight times 96: beyond that a DPI is a hostile or broken message, not a monitor.
const int MAX_DPI = BASE_DPI * 8;

struct ButtonSet {
    int size;
    int firstId;  // the collapsed, focused and idle images follow one another
};
// Smallest first; the 13-pixel set is the one the bar always had.
const ButtonSet BUTTON_SETS[] = {
    {BUTTON_SIZE, IDB_COLLAPSED}, {16, IDB_BUTTONS16}, {20, IDB_BUTTONS20}, {26, IDB_BUTTONS26}};

bool Unscaled() { return State.dpi <= 0 || State.dpi == BASE_DPI; }

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

// Before Windows 10 the screen's DPI is the bar's only in a process that declared itself aware
// of it: XP, and 7 at 125 %, tell an unaware one too, which does not expect the bar to scale.
int BarDpi(HWND window)
{
    DpiForWindowProc dpiForWindow =
        (DpiForWindowProc)(void*)OptionalEntry("user32.dll", "GetDpiForWindow");
    typedef BOOL(WINAPI * AwareProc)();
    AwareProc aware = (AwareProc)(void*)OptionalEntry("user32.dll", "IsProcessDPIAware");
    int dpi = BASE_DPI;
    if (dpiForWindow)
        dpi = (int)dpiForWindow(window);
    else if (aware && aware())
        dpi = ScreenDpi();
    return dpi > 0 && dpi <= MAX_DPI ? dpi : BASE_DPI;
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
void FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam)
{
    int dpi = LOWORD(wParam);
    if (!State.bar || dpi <= 0 || dpi > MAX_DPI)
        return;
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

    RECT place;
    GetWindowRect(window, &place);
    const RECT* suggested = (const RECT*)lParam;
    if (suggested)
        place = *suggested;
    // Raises WM_SIZE, which records the width and saves it as the width at 96 DPI.
    SetWindowPos(window, NULL, place.left, place.top, width, State.barHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The combo box took its new font without redrawing.
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN);
}
