// Moving the bar by its button, snapping it to the work area, and sizing it from its right edge.
#include "../plugin/state.h"
#include "../base/minint.h"
#include "bar.h"

const UINT DRAG_MOVE_FLAGS = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;

void SizeBarWindows(int width, int height, UINT flags)
{
    SetWindowPos(State.bar, HWND_TOP, 0, 0, width, height, SWP_NOMOVE | flags);
    SetWindowPos(State.combo, HWND_TOP, 0, 0, width - Scale(COMBO_MARGIN),
                 Scale(COMBO_LIST_HEIGHT), SWP_NOMOVE | flags);
}

void ResizeBar(int width, int height)
{
    // Z-order and activation are deliberately not suppressed.
    SizeBarWindows(width, height, 0);
}

LRESULT HitTestGrip(LRESULT hitCode, int screenX)
{
    POINT point = {screenX, 0};
    ScreenToClient(State.bar, &point);
    // The columns right of the combo box (two at 96 DPI) act as a sizing border; the bar has no
    // frame of its own.
    int strip = Scale(COMBO_MARGIN) - Scale(BUTTON_AREA_WIDTH);
    if (State.width - strip - 1 < point.x && point.x < State.width)
        return HTRIGHT;
    return hitCode;
}

void BeginDrag(HWND window, int clientX)
{
    if (clientX >= Scale(BUTTON_AREA_WIDTH))
        return;
    SetCapture(window);
    GetCursorPos(&State.lastCursor);
    State.dragging = 1;
}

// Whether or not a drag was under way, the bar gives up its capture; a capture that another
// window of the thread holds is not the bar's to release.
void EndDrag()
{
    State.dragging = 0;
    if (GetCapture() == State.bar)
        ReleaseCapture();
}

void DragMove()
{
    // A window that took the capture ended the drag; without this the bar would follow a cursor
    // that merely passes over it, with no button held.
    if (GetCapture() != State.bar) {
        State.dragging = 0;
        return;
    }
    POINT cursor;
    RECT rect;
    if (!GetCursorPos(&cursor) || !GetWindowRect(State.bar, &rect))
        return;

    // The last position always takes the cursor, also when the bar is held back below: the bar
    // follows the cursor's movement, it does not wait for the cursor to return.
    int dx = cursor.x - State.lastCursor.x;
    State.lastCursor.x = cursor.x;
    int x = rect.left + dx;
    int dy = cursor.y - State.lastCursor.y;
    State.lastCursor.y = cursor.y;
    int y = rect.top + dy;

    int w = State.collapsed ? Scale(COLLAPSED_WIDTH) : State.width;
    int s = Scale(State.snap);
    if (s != 0) {
        RECT work;
        SetRectEmpty(&work);
        if (SnapWorkArea(x, y, w, &work)) {
            // Only while moving toward an edge; each test sees the ones before.
            if (work.left - s <= x && x <= work.left + s && dx < 0)
                x = work.left;
            if (work.right - s <= x + w && x + w <= work.right + s && dx > 0)
                x = work.right - w;
            if (work.top - s <= y && y <= work.top + s && dy < 0)
                y = work.top;
            if (work.bottom - s <= y + State.barHeight && y + State.barHeight <= work.bottom + s &&
                dy > 0)
                y = work.bottom - State.barHeight;
        }
    }

    // The smaller of size and 32: a wide bar may leave the screen until only its button shows.
    if (SeveralMonitors()) {
        KeepDragOnMonitors(&x, &y);
    } else {
        if (x < 0)
            x = 0;
        int maxX = GetSystemMetrics(SM_CXSCREEN) - MinInt(State.width, Scale(ALWAYS_VISIBLE));
        if (x > maxX)
            x = maxX;
        if (y < 0)
            y = 0;
        int maxY = GetSystemMetrics(SM_CYSCREEN) - MinInt(State.barHeight, Scale(ALWAYS_VISIBLE));
        if (y > maxY)
            y = maxY;
    }

    SetWindowPos(State.bar, NULL, x, y, 0, 0, DRAG_MOVE_FLAGS);
}

void SizeBarTo(RECT* proposed)
{
    // A sizing message may come from anyone: an absent rectangle is ignored.
    if (!proposed)
        return;
    int w = proposed->right - proposed->left;
    int h = proposed->bottom - proposed->top;
    // Only the right edge sizes the bar: a rectangle with no height of its own keeps the bar's.
    if (h <= 0) {
        h = State.barHeight;
        proposed->bottom = proposed->top + h;
    }
    if (w < Scale(MIN_BAR_WIDTH)) {
        proposed->right = proposed->left + Scale(MIN_BAR_WIDTH);
        w = Scale(MIN_BAR_WIDTH);
    }
    ResizeBar(w, h);
    State.width = w;
}
