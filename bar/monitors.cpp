// The bar over several monitors: where a dragged bar may go, which work area it snaps to, and
// what happens to a bar that no monitor shows. On one monitor the callers keep the primary
// screen's limits and SPI_GETWORKAREA.
#include "../plugin/state.h"
#include "../base/minint.h"
#include "bar.h"

namespace {

bool Shown(int x, int y)
{
    POINT point = {x, y};
    return MonitorFromPoint(point, MONITOR_DEFAULTTONULL) != NULL;
}

// Every corner on some monitor: monitors do not overlap, so the rectangle is then shown whole,
// also where it spans two of them.
bool ShownWhole(const RECT& rect)
{
    return Shown(rect.left, rect.top) && Shown(rect.right - 1, rect.top) &&
           Shown(rect.left, rect.bottom - 1) && Shown(rect.right - 1, rect.bottom - 1);
}

bool NearestMonitor(const RECT& rect, MONITORINFO* info)
{
    ZeroMemory(info, sizeof *info);
    info->cbSize = sizeof *info;
    return GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), info) != FALSE;
}

int Clamp(int value, int low, int high)
{
    if (value > high)
        value = high;
    // Where the size does not fit, the left or top edge stays in view.
    if (value < low)
        value = low;
    return value;
}

}  // namespace

// A monitor left of or above the primary one has negative coordinates, which the words of a
// message's point carry as signed. On one monitor, and for the keyboard's menu point (-1, -1),
// they stay the unsigned words they always were.
POINT MessagePoint(LPARAM lParam)
{
    POINT point = {LOWORD(lParam), HIWORD(lParam)};
    if (SeveralMonitors() && lParam != (LPARAM)-1) {
        point.x = (short)LOWORD(lParam);
        point.y = (short)HIWORD(lParam);
    }
    return point;
}

bool SnapWorkArea(int x, int y, int width, RECT* work)
{
    if (!SeveralMonitors())
        return SystemParametersInfoA(SPI_GETWORKAREA, 0, work, 0) != FALSE;
    RECT bar = {x, y, x + width, y + State.barHeight};
    MONITORINFO info;
    if (!NearestMonitor(bar, &info))
        return false;
    *work = info.rcWork;
    return true;
}

// Some monitor shows at least the bar's top-left 32 x 32 pixels (scaled; fewer when the bar is
// smaller) and the whole button. The virtual screen bounds the move as the primary screen does on
// one monitor; where monitors of different sizes leave a gap, the bar goes onto the nearest one.
void KeepDragOnMonitors(int* x, int* y)
{
    int keepWidth = MinInt(State.width, Scale(ALWAYS_VISIBLE));
    int keepHeight = MinInt(State.barHeight, Scale(ALWAYS_VISIBLE));
    int buttonBottom = State.barHeight / 2 - Scale(BUTTON_SIZE) / 2 + Scale(BUTTON_SIZE);
    if (keepHeight < buttonBottom)
        keepHeight = buttonBottom;

    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    *x = Clamp(*x, left, left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - keepWidth);
    *y = Clamp(*y, top, top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - keepHeight);

    RECT kept = {*x, *y, *x + keepWidth, *y + keepHeight};
    MONITORINFO info;
    if (ShownWhole(kept) || !NearestMonitor(kept, &info))
        return;
    *x = Clamp(*x, info.rcMonitor.left, info.rcMonitor.right - keepWidth);
    *y = Clamp(*y, info.rcMonitor.top, info.rcMonitor.bottom - keepHeight);
}

// At start and after a display change. A monitor that was unplugged, or a lower resolution, can
// leave the bar where nothing shows it: it goes onto the nearest work area, and comes back to its
// configured place when a monitor shows that again. The configured place is kept for saves until
// the user drags the bar.
void KeepBarOnAMonitor()
{
    RECT rect;
    if (!State.bar || !GetWindowRect(State.bar, &rect))
        return;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (State.keepConfiguredPosition) {
        RECT configured = {State.xPos, State.yPos, State.xPos + width, State.yPos + height};
        if (MonitorFromRect(&configured, MONITOR_DEFAULTTONULL)) {
            SetWindowPos(State.bar, NULL, State.xPos, State.yPos, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            State.keepConfiguredPosition = 0;
            return;
        }
    }
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        return;
    MONITORINFO info;
    if (!NearestMonitor(rect, &info))
        return;
    int x = Clamp(rect.left, info.rcWork.left, info.rcWork.right - width);
    int y = Clamp(rect.top, info.rcWork.top, info.rcWork.bottom - height);
    SetWindowPos(State.bar, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    State.keepConfiguredPosition = 1;
}
