// Moving the real bar with the mouse, snapping it to the work area, and sizing it from its right
// edge. The display is 1024 x 768 with no taskbar, so the work area is the whole screen.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include "harness/imports.h"

namespace {
const int SCREEN_W = 1024;
const int SCREEN_H = 768;

int BarHeight() { RECT r = BarRect(); return r.bottom - r.top; }

void Start(int x, int y, int snap = 6, int width = 400, bool collapsed = false)
{
    SetConfigInt("XPos", x);
    SetConfigInt("YPos", y);
    SetConfigInt("Snap", snap);
    SetConfigInt("Width", width);
    SetConfigInt("Minimize", collapsed ? 1 : 0);
    StartPlugin();
    ASSERT_NE(BarWindow(), nullptr);
}

void PlaceBar(int x, int y)
{
    SetWindowPos(BarWindow(), NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A press on the bar with the cursor really at that point of the bar.
void Press(int clientX, int clientY = 1)
{
    RECT r = BarRect();
    SetCursorPos(r.left + clientX, r.top + clientY);
    SendMessageA(BarWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(clientX, clientY));
}

void MoveBy(int dx, int dy)
{
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x + dx, p.y + dy);
    GetCursorPos(&p);
    ScreenToClient(BarWindow(), &p);
    SendMessageA(BarWindow(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

void Release() { SendMessageA(BarWindow(), WM_LBUTTONUP, 0, MAKELPARAM(5, 1)); }

// Puts the bar at (x, y), drags it by its button by (dx, dy) and lets go: where it ends.
POINT DragFrom(int x, int y, int dx, int dy)
{
    PlaceBar(x, y);
    Press(5);
    MoveBy(dx, dy);
    Release();
    RECT r = BarRect();
    return POINT{r.left, r.top};
}

LRESULT HitTest(int clientX)
{
    POINT p = {clientX, 5};
    ClientToScreen(BarWindow(), &p);
    return SendMessageA(BarWindow(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
}

LRESULT Size(RECT* rect) { return SendMessageA(BarWindow(), WM_SIZING, WMSZ_RIGHT, (LPARAM)rect); }

RECT ComboRect()
{
    RECT rect;
    SetRectEmpty(&rect);
    SendMessageA(ComboBox(), CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&rect);
    return rect;
}
}  // namespace

TEST_F(ModuleTest, DragStartsOnlyOnTheButtonArea)
{
    Start(100, 100);
    Press(21);
    EXPECT_EQ(GetCapture(), BarWindow());
    MoveBy(30, 40);
    Release();
    EXPECT_EQ(BarRect().left, 130);
    EXPECT_EQ(BarRect().top, 140);
    EXPECT_NE(GetCapture(), BarWindow());

    // The margin above the combo box, just right of the button area.
    Press(22);
    EXPECT_NE(GetCapture(), BarWindow());
    MoveBy(30, 40);
    Release();
    EXPECT_EQ(BarRect().left, 130);
    EXPECT_EQ(BarRect().top, 140);

    // The low word is an unsigned x: 0xFFFF is far right, not one pixel left of the bar.
    RECT r = BarRect();
    SetCursorPos(r.left + 5, r.top + 1);
    SendMessageA(BarWindow(), WM_LBUTTONDOWN, MK_LBUTTON, 0xFFFFFFFF);
    EXPECT_NE(GetCapture(), BarWindow());
    MoveBy(30, 40);
    Release();
    EXPECT_EQ(BarRect().left, 130);
}

TEST_F(ModuleTest, SnapsToAnEdgeOnlyWhileMovingTowardIt)
{
    Start(100, 100);
    int h = BarHeight();

    EXPECT_EQ(DragFrom(20, 100, -14, 0).x, 0);    // to 6
    EXPECT_EQ(DragFrom(20, 100, -13, 0).x, 7);    // to 7: outside the distance
    EXPECT_EQ(DragFrom(3, 100, 2, 0).x, 5);       // away from the edge, inside the distance
    EXPECT_EQ(DragFrom(610, 100, 8, 0).x, 624);   // right edge at 1018
    EXPECT_EQ(DragFrom(620, 100, -1, 0).x, 619);  // away from the right edge
    EXPECT_EQ(DragFrom(100, 10, 0, -5).y, 0);
    EXPECT_EQ(DragFrom(100, 740 - h, 0, 24).y, SCREEN_H - h);
    EXPECT_EQ(DragFrom(100, SCREEN_H - h - 2, 0, -1).y, SCREEN_H - h - 3);
}

TEST_F(ModuleTest, CollapsedBarSnapsWithItsButtonWidth)
{
    Start(990, 100, 6, 400, true);
    ASSERT_EQ(BarWidth(BarWindow()), 24);
    // 994 + 24 = 1018 is within 6 of the right edge; a 400-wide test would not snap.
    EXPECT_EQ(DragFrom(990, 100, 4, 0).x, 1000);
    EXPECT_EQ(DragFrom(980, 100, 4, 0).x, 984);

    // 24 pixels or less: wholly on the screen.
    PlaceBar(980, 100);
    Press(5);
    MoveBy(30, 0);
    EXPECT_EQ(BarRect().left, SCREEN_W - 24);
    MoveBy(-5, 0);
    EXPECT_EQ(BarRect().left, SCREEN_W - 24 - 5);
    Release();
}

TEST_F(ModuleTest, SnapZeroKeepsOnlyTheScreenLimits)
{
    Start(100, 100, 0);
    EXPECT_EQ(DragFrom(20, 100, -14, 0).x, 6);
    EXPECT_EQ(DragFrom(610, 100, 8, 0).x, 618);
    EXPECT_EQ(DragFrom(100, 10, 0, -5).y, 5);
    EXPECT_EQ(DragFrom(10, 10, -15, -15).x, 0);

    // A 400-wide bar keeps its left 32 pixels on the screen, and follows the cursor back at once.
    PlaceBar(900, 20);
    Press(5);
    MoveBy(110, -25);
    EXPECT_EQ(BarRect().left, SCREEN_W - 32);
    EXPECT_EQ(BarRect().top, 0);
    MoveBy(-10, 10);
    EXPECT_EQ(BarRect().left, SCREEN_W - 32 - 10);
    EXPECT_EQ(BarRect().top, 10);
    Release();

    // With a monitor left of the main one the virtual screen starts below 0: a far-right drag
    // stops with the same 32 pixels shown.
    LeftMonitorSpy left(Host.module);
    EXPECT_EQ(DragFrom(900, 100, 110, 0).x, SCREEN_W - 32);
}

TEST_F(ModuleTest, PositionIsSavedWhenTheButtonIsReleased)
{
    Start(100, 100);
    Host.recordMask = RECORD_CONFIG_WRITES;
    flush_sequence();
    Press(5);
    MoveBy(50, 60);
    MoveBy(10, 10);
    EXPECT_EQ(sequence_count(), 0) << "nothing is saved during the drag";
    Release();
    ok_sequence(Sequence({SettingsSave(400, 0, 160, 170)}).data(), "button released after a drag");
    int x = 0, y = 0;
    EXPECT_TRUE(GetConfigInt("XPos", &x) && GetConfigInt("YPos", &y));
    EXPECT_EQ(x, 160);
    EXPECT_EQ(y, 170);

    Release();
    EXPECT_EQ(sequence_count(), 0) << "a button release without a drag saves nothing";
}

TEST_F(ModuleTest, DragEndsWhenTheCaptureIsTaken)
{
    Start(100, 100);
    HWND bar = BarWindow();
    Host.recordMask = RECORD_CONFIG_WRITES;

    // Cancelled: the bar stops following and nothing is saved.
    Press(5);
    SendMessageA(bar, WM_CANCELMODE, 0, 0);
    EXPECT_NE(GetCapture(), bar);
    flush_sequence();
    MoveBy(40, 40);
    Release();
    EXPECT_EQ(BarRect().left, 100);
    EXPECT_EQ(sequence_count(), 0);

    // Another window of the thread takes the capture: the drag is over, and the other window
    // keeps its capture when the bar is told to stop.
    Press(5);
    SetCapture(Host.mainWindow);
    MoveBy(40, 40);
    EXPECT_EQ(BarRect().left, 100);
    Release();
    SendMessageA(bar, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), Host.mainWindow);
    EXPECT_EQ(sequence_count(), 0);
    ReleaseCapture();

    // The bar must not follow a cursor that merely passes over it.
    MoveBy(-40, -40);
    EXPECT_EQ(BarRect().left, 100);
    EXPECT_NE(GetCapture(), bar);
}

TEST_F(ModuleTest, MouseMessagesAtTheWordLimitsKeepTheBarOnTheScreen)
{
    Start(100, 100);
    HWND bar = BarWindow();
    SendMessageA(bar, WM_MOUSEMOVE, 0, 0xFFFFFFFF);
    EXPECT_EQ(BarRect().left, 100) << "no drag, no move";

    // The bar moves with the real cursor, whatever the message says.
    Press(5);
    SetCursorPos(SCREEN_W - 1, SCREEN_H - 1);
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, 0xFFFFFFFF);
    SendMessageA(bar, WM_LBUTTONUP, 0, 0xFFFFFFFF);
    RECT r = BarRect();
    ASSERT_LE(r.bottom - r.top, 32);
    EXPECT_EQ(r.left, SCREEN_W - 32);
    EXPECT_EQ(r.bottom, SCREEN_H) << "a bar under 32 pixels high stays wholly on the screen";
    EXPECT_NE(GetCapture(), bar);

    EXPECT_NE(SendMessageA(bar, WM_NCHITTEST, 0, 0xFFFFFFFF), HTRIGHT);
    EXPECT_EQ(BarWidth(BarWindow()), 400);
}

TEST_F(ModuleTest, SizingKeepsTheMinimumWidthAndFitsTheComboBox)
{
    Start(100, 100);
    int h = BarHeight();
    Host.recordMask = RECORD_CONFIG_WRITES;
    flush_sequence();

    RECT narrow = {100, 100, 130, 100 + h};
    EXPECT_EQ(Size(&narrow), 0);
    EXPECT_EQ(narrow.right, 150);
    EXPECT_EQ(BarWidth(BarWindow()), 50);
    EXPECT_EQ(BarHeight(), h);
    RECT combo = ComboRect();
    EXPECT_EQ(combo.right - combo.left, 26);

    RECT wide = {100, 100, 400, 100 + h};
    Size(&wide);
    EXPECT_EQ(wide.right, 400);
    EXPECT_EQ(BarWidth(BarWindow()), 300);
    combo = ComboRect();
    EXPECT_EQ(combo.right - combo.left, 276);
    // The platform reports the list's own height as the dropped height: field and list are 160.
    RECT field;
    GetWindowRect(ComboBox(), &field);
    EXPECT_EQ((combo.bottom - combo.top) + (field.bottom - field.top), 160);
    EXPECT_EQ(field.left, BarRect().left + 22);
    EXPECT_EQ(field.top, BarRect().top + 2);

    int widths[8];
    ASSERT_EQ(collect_values(CFG_SETINT, "Width", widths, 8), 2) << "saved at each step";
    EXPECT_EQ(widths[0], 50);
    EXPECT_EQ(widths[1], 300);

    // The sizing strip: the two rightmost columns only.
    EXPECT_EQ(HitTest(299), HTRIGHT);
    EXPECT_EQ(HitTest(298), HTRIGHT);
    EXPECT_NE(HitTest(297), HTRIGHT);
    EXPECT_NE(HitTest(300), HTRIGHT);
}

TEST_F(ModuleTest, SizingRejectsAbsentAndInvertedRectangles)
{
    Start(100, 100);
    int h = BarHeight();
    EXPECT_EQ(Size(nullptr), 0);
    EXPECT_EQ(BarWidth(BarWindow()), 400);

    // Right of left and bottom above top: the minimum width, and the bar keeps its height.
    RECT inverted = {300, 300, 100, 100};
    EXPECT_EQ(Size(&inverted), 0);
    EXPECT_EQ(inverted.right, 350);
    EXPECT_EQ(inverted.bottom, 300 + h);
    EXPECT_EQ(BarWidth(BarWindow()), 50);
    EXPECT_EQ(BarHeight(), h);
    EXPECT_EQ(BarRect().left, 100) << "sizing does not move the bar";
}
