// The real bar on two monitors side by side: 0,0-1024,768 (primary) and 1024,0-1824,600, with
// no monitor below the second one. No taskbar: the work areas are the monitors.
#include "harness/testhost.h"

namespace {
const int SECOND_RIGHT = 1824;
const int SECOND_BOTTOM = 600;

RECT BarRect()
{
    RECT rect;
    SetRectEmpty(&rect);
    GetWindowRect(BarWindow(), &rect);
    return rect;
}

int Stored(const char* key)
{
    int value = -12345;
    GetConfigInt(key, &value);
    return value;
}

class MonitorsTest : public ModuleTest {
protected:
    void Start(int x, int y, int snap = 0)
    {
        ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "the display has no two monitors";
        SetConfigInt("XPos", x);
        SetConfigInt("YPos", y);
        SetConfigInt("Snap", snap);
        SetConfigInt("Width", 400);
        StartPlugin();
        ASSERT_NE(BarWindow(), nullptr);
    }

    // Drags the bar by its button from (x, y) by (dx, dy), the cursor moved for real, in steps
    // of at most 40 pixels; where the bar comes to rest.
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
        RECT r = BarRect();
        return POINT{r.left, r.top};
    }
};
}  // namespace

TEST_F(MonitorsTest, StoredPositionOnTheSecondMonitorIsKept)
{
    ASSERT_NO_FATAL_FAILURE(Start(1300, 100));
    EXPECT_EQ(BarRect().left, 1300);
    EXPECT_EQ(BarRect().top, 100);
    EXPECT_EQ(Stored("XPos"), 1300);
}

TEST_F(MonitorsTest, PositionBeyondTheVirtualScreenBecomesZero)
{
    ASSERT_NO_FATAL_FAILURE(Start(SECOND_RIGHT - 7, 100));
    EXPECT_EQ(BarRect().left, 0);
    EXPECT_EQ(Stored("XPos"), 0);
}

TEST_F(MonitorsTest, BarOnNoMonitorMovesToTheNearestWorkAreaAndKeepsItsStoredPlace)
{
    // Below the second monitor, where no monitor is: that one is the nearest.
    ASSERT_NO_FATAL_FAILURE(Start(1300, 700));
    int h = BarRect().bottom - BarRect().top;
    EXPECT_EQ(BarRect().left, 1300);
    EXPECT_EQ(BarRect().top, SECOND_BOTTOM - h);
    EXPECT_EQ(Stored("XPos"), 1300);
    EXPECT_EQ(Stored("YPos"), 700);

    // Collapsing saves; the stored place still is the configured one.
    SendMessageA(BarWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Stored("Minimize"), 1);
    EXPECT_EQ(Stored("YPos"), 700);

    // A drag by the user makes the place it ends at the stored one.
    POINT end = Drag(1300, SECOND_BOTTOM - h, -100, -100);
    EXPECT_EQ(end.x, 1200);
    EXPECT_EQ(Stored("XPos"), 1200);
    EXPECT_EQ(Stored("YPos"), end.y);
}

TEST_F(MonitorsTest, DragCrossesTheBoundaryButNotIntoTheGap)
{
    ASSERT_NO_FATAL_FAILURE(Start(100, 100));
    int h = BarRect().bottom - BarRect().top;
    POINT end = Drag(900, 100, 400, 0);
    EXPECT_EQ(end.x, 1300) << "from the primary monitor onto the second";
    EXPECT_EQ(Stored("XPos"), 1300);

    // Down into the gap below the second monitor: the button stays on it.
    end = Drag(1300, 500, 0, 200);
    EXPECT_EQ(end.y, SECOND_BOTTOM - h);
    // Further right than the virtual screen: its left 32 pixels stay shown.
    end = Drag(1300, 100, 700, 0);
    EXPECT_EQ(end.x, SECOND_RIGHT - 32);
    // Low on the primary monitor, where the second one does not reach: not past the boundary.
    end = Drag(900, 700, 200, 0);
    EXPECT_EQ(end.x, 1024 - 32) << "no monitor right of the primary one down there";
    EXPECT_EQ(end.y, 700);
}

TEST_F(MonitorsTest, SnapsToTheEdgesOfTheMonitorTheBarIsOn)
{
    ASSERT_NO_FATAL_FAILURE(Start(100, 100, 6));
    int h = BarRect().bottom - BarRect().top;
    struct Case {
        int x, y, dx, dy, wantX, wantY;
    };
    const Case cases[] = {
        {600, 100, 20, 0, 624, 100},                                // primary's right edge
        {1034, 100, -5, 0, 1024, 100},                              // second's left edge
        {1414, 100, 5, 0, SECOND_RIGHT - 400, 100},                 // second's right edge
        {1300, SECOND_BOTTOM - h - 10, 0, 5, 1300, SECOND_BOTTOM - h},  // second's bottom
        {1300, 10, 0, -5, 1300, 0},                                 // second's top
        {1300, SECOND_BOTTOM - h - 20, 0, 5, 1300, SECOND_BOTTOM - h - 15},  // too far to snap
    };
    for (const Case& c : cases) {
        POINT end = Drag(c.x, c.y, c.dx, c.dy);
        EXPECT_EQ(end.x, c.wantX) << "from " << c.x << "," << c.y;
        EXPECT_EQ(end.y, c.wantY) << "from " << c.x << "," << c.y;
    }
}
