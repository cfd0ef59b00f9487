// The bar window procedure: painting, focus, translucency, the shell's full-screen notice,
// and the routing of mouse, menu and close messages.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../host/messages.h"
#include "../command/command.h"
#include "bar.h"

const UINT FULLSCREEN_Z_FLAGS = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

int OpacityOf(int transparency)
{
    return (100 - transparency) * 255 / 100;
}

void PaintBar(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);

    // Without an input line, a thread with no focus at all must not count as focused.
    HBITMAP image;
    if (State.collapsed)
        image = State.images[IMAGE_COLLAPSED];
    else if (State.input && GetFocus() == State.input)
        image = State.images[IMAGE_FOCUSED];
    else
        image = State.images[IMAGE_IDLE];

    // The memory context is the host's: select back what it held, never delete it. Without an
    // image or a context only face and frame are drawn; an empty selection would copy whatever
    // the host's context happens to hold.
    // The image is centred in the button square when no set has the square's exact size.
    HDC memory = State.host.memoryDC;
    if (memory && image) {
        // Images whose size was never recorded are the 13-pixel ones the bar always had.
        int size = State.imageSize > 0 ? State.imageSize : BUTTON_SIZE;
        int square = Scale(BUTTON_SIZE);
        int inset = (square - size) / 2;
        HGDIOBJ previous = SelectObject(memory, image);
        BitBlt(dc, Scale(BUTTON_LEFT) + inset, State.barHeight / 2 - square / 2 + inset, size,
               size, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    EndPaint(window, &paint);
}

static void FollowDisplayChange(HWND window)
{
    // The percentage goes as the byte: it is 0 to 70 once read, so nonzero exactly when wanted.
    DWORD answer = LayeredStyle(0, (unsigned char)State.transparency);
    if (answer == State.layeredStyle)
        return;
    State.layeredStyle = answer;
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    if (answer == 0) {
        SetWindowLongA(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    } else {
        SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayered(window, 0, OpacityOf(State.transparency), LWA_ALPHA);
    }
}

static void FollowFullScreen(HWND window, WPARAM notification, LPARAM opened)
{
    if (notification != ABN_FULLSCREENAPP)
        return;
    if (opened) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, FULLSCREEN_Z_FLAGS);
    } else {
        // Topmost again whatever the host answered at start.
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, FULLSCREEN_Z_FLAGS);
        InvalidateRect(window, NULL, FALSE);
    }
}

LRESULT CALLBACK BarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        // Sizes set while the window is being created are neither recorded nor saved.
        if (!State.bar)
            return 0;
        State.width = LOWORD(lParam);
        SaveSettings();
        break;
    case WM_ACTIVATE:
        InvalidateRect(window, NULL, FALSE);
        break;
    case WM_SETFOCUS:
        SetFocus(State.combo);
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    case WM_ENTERMENULOOP:
        EndDrag();
        return 0;
    case WM_PAINT:
        PaintBar(window);
        return 0;
    case WM_CLOSE:
        CloseBar(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CONTEXTMENU:
        ShowBarMenu(window, lParam);
        return 0;
    case WM_DISPLAYCHANGE:
        FollowDisplayChange(window);
        KeepBarOnAMonitor();
        return 0;
    case WM_DPICHANGED:
        // An unaware host, the shell among them, passes it on as it always did.
        if (FollowDpiChange(window, wParam, lParam))
            return 0;
        break;
    case WM_NCHITTEST:
        // Signed: a monitor left of the main one has negative coordinates.
        return HitTestGrip(DefWindowProcA(window, message, wParam, lParam), (short)LOWORD(lParam));
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_DROPDOWN)
            FillHistoryList((HWND)lParam);
        else if (LOWORD(wParam) >= IDM_RUN && LOWORD(wParam) <= IDM_PROPERTIES)
            RunBarMenuCommand(window, LOWORD(wParam));
        break;
    case WM_MOUSEMOVE:
        if (State.dragging)
            DragMove();
        return 0;
    case WM_LBUTTONDOWN:
        // The hand-off first: it sends WM_KILLFOCUS, which would end a drag begun before it.
        SetFocus(window);
        BeginDrag(window, LOWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (State.dragging) {
            State.dragging = 0;
            // The user placed the bar: from now on its place is the configured one.
            State.keepConfiguredPosition = 0;
            ReleaseCapture();
            SaveSettings();
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        ToggleCollapsed(window);
        return 0;
    case WM_SIZING:
        if (State.bar)
            SizeBarTo((RECT*)lParam);
        return 0;
    case BARMSG_APPBAR:
        FollowFullScreen(window, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
