// The real bar on two monitors side by side: 0,0-1024,768 (primary) and 1024,0-1824,600, with
// no monitor below the second one. No taskbar: the work areas are the monitors.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include "bar/bar.h"  // WM_DPICHANGED where the headers lack it

namespace {
int h = 0;  // the bar's height

void Start(int x, int y, int snap = 0)
{
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "the display has no two monitors";
    SetConfigInt("XPos", x);
    SetConfigInt("YPos", y);
    SetConfigInt("Snap", snap);
    SetConfigInt("Width", 400);
    StartPlugin();
    ASSERT_NE(BarWindow(), nullptr);
    h = BarRect().bottom - BarRect().top;
}

// Drags the bar by its button from (x, y) by (dx, dy), moving the cursor for real in steps of at
// most 40 pixels; where the bar comes to rest.
POINT Drag(int x, int y, int dx, int dy)
{
    SetWindowPos(BarWindow(), NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetCursorPos(x + 5, y + 2);
    SendMessageA(BarWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
    int steps = (abs(dx) > abs(dy) ? abs(dx) : abs(dy)) / 40 + 1;
    for (int i = 1; i <= steps; i++) {
        SetCursorPos(x + 5 + dx * i / steps, y + 2 + dy * i / steps);
        SendMessageA(BarWindow(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 2));
    }
    SendMessageA(BarWindow(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
    return POINT{BarRect().left, BarRect().top};
}

using MonitorsTest = ModuleTest;
}  // namespace

// Also at start: a place whose monitor is missing now is kept, whatever monitor is missing.
TEST_F(MonitorsTest, BarOnNoMonitorGoesToTheNearestWorkAreaAndKeepsItsStoredPlace)
{
    // bottom: the bar's expected top is the second monitor's bottom less its height.
    struct Case { int x, y; POINT shown; bool bottom; const char* what; };
    const Case cases[] = {
        {-900, 100, {0, 100}, false, "left of the primary"},
        {2100, 100, {1824 - 400, 100}, false, "right of the second"},
        {1300, 700, {1300, 0}, true, "below the second"},
    };
    for (const Case& c : cases) {
        if (Host.started) {
            StopPlugin();
            LoadPlugin();
        }
        SetConfigInt("Minimize", 0);
        ASSERT_NO_FATAL_FAILURE(Start(c.x, c.y));
        EXPECT_EQ(BarRect().left, c.shown.x) << c.what;
        EXPECT_EQ(BarRect().top, c.bottom ? 600 - h : c.shown.y) << c.what;
        SendMessageA(BarWindow(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1824, 768));
        SendMessageA(BarWindow(), WM_CLOSE, 0, 0);  // collapsing saves
        EXPECT_EQ(Stored("Minimize"), 1) << c.what;
        EXPECT_EQ(Stored("XPos"), c.x) << c.what;
        EXPECT_EQ(Stored("YPos"), c.y) << c.what;
    }

    // Once the user drags the bar, where it ends is stored.
    POINT end = Drag(1300, 600 - h, -100, -100);
    EXPECT_EQ(end.x, 1200);
    EXPECT_EQ(Stored("XPos"), 1200);
    EXPECT_EQ(Stored("YPos"), end.y);
}

TEST_F(MonitorsTest, DragsCrossMonitorsStayShownAndSnapToTheEdgesOfTheirMonitor)
{
    ASSERT_NO_FATAL_FAILURE(Start(1300, 100, 6));
    EXPECT_EQ(BarRect().left, 1300) << "started where stored, on the second monitor";
    EXPECT_EQ(BarRect().top, 100);
    // Negative coordinates, as on a monitor left of the main one: the hit test reads them signed.
    SetWindowPos(BarWindow(), NULL, -400, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SendMessageA(BarWindow(), WM_NCHITTEST, 0, MAKELPARAM(-1, 101)), HTRIGHT);
    // The last at 144 DPI, as the bar's monitor may be.
    struct Case { int x, y, dx, dy; POINT end; const char* what; int dpi = 96; };
    const Case cases[] = {
        {900, 100, 400, 0, {1300, 100}, "across the boundary"},
        {1300, 500, 0, 200, {1300, 600 - h}, "the button stays on the second monitor"},
        {1300, 100, 700, 0, {1824 - 32, 100}, "32 pixels stay shown"},
        {900, 700, 200, 0, {1024 - 32, 700}, "low on the primary, where the second does not reach"},
        {600, 100, 20, 0, {624, 100}, "snaps to the primary's right edge"},
        {1034, 100, -5, 0, {1024, 100}, "snaps to the second's left edge"},
        {1414, 100, 5, 0, {1824 - 400, 100}, "snaps to the second's right edge"},
        {1300, 590 - h, 0, 5, {1300, 600 - h}, "snaps to the second's bottom"},
        {1300, 580 - h, 0, 5, {1300, 585 - h}, "too far to snap"},
        {1300, 100, 700, 0, {1824 - 48, 100}, "at 144 DPI, 48 pixels stay shown", 144},
    };
    for (const Case& c : cases) {
        if (c.dpi != 96) {
            RECT suggested = BarRect();
            SendMessageA(BarWindow(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), (LPARAM)&suggested);
        }
        POINT end = Drag(c.x, c.y, c.dx, c.dy);
        EXPECT_EQ(end.x, c.end.x) << c.what;
        EXPECT_EQ(end.y, c.end.y) << c.what;
    }
}
