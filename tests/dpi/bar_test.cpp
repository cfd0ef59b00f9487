// The real bar at high DPI. The prefix's LogPixels is 144, and this process is aware of it, as
// OrvelCmd.exe is: the bar starts at 144. Wine sends no WM_DPICHANGED of its own, so the tests
// send it.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include "aware.h"
#include "bar/bar.h"  // WM_DPICHANGED where the headers lack it
#include "hostapp/hostapp.h"

namespace {
int At(int value, int dpi) { return MulDiv(value, dpi, 96); }

// Every size of the open bar is its size at 96 scaled to dpi; the bar's height, for comparing.
int ExpectSizesAt(int dpi)
{
    RECT bar = BarRect(), combo = ChildRect(ComboBox());
    int width = bar.right - bar.left, height = bar.bottom - bar.top;
    EXPECT_EQ(width, At(400, dpi)) << dpi;
    EXPECT_EQ(height, combo.bottom - combo.top + At(4, dpi)) << dpi;
    EXPECT_EQ(combo.left, At(22, dpi)) << dpi;
    EXPECT_EQ(combo.top, At(2, dpi)) << dpi;
    EXPECT_EQ(combo.right - combo.left, width - At(24, dpi)) << dpi;
    // The sizing border is what the combo box leaves free at the right.
    int strip = At(24, dpi) - At(22, dpi);
    auto hit = [&](int x) { return SendMessageA(BarWindow(), WM_NCHITTEST, 0, MAKELPARAM(x, bar.top + 1)); };
    EXPECT_EQ(hit(bar.right - strip), HTRIGHT) << dpi;
    EXPECT_NE(hit(bar.right - strip - 1), HTRIGHT) << dpi;
    return height;
}

void Start(bool collapsed = false)
{
    ASSERT_TRUE(Aware) << "the process could not be made aware of the DPI";
    SetConfigInt("XPos", 100);
    SetConfigInt("YPos", 100);
    SetConfigInt("Width", 400);
    SetConfigInt("Minimize", collapsed ? 1 : 0);
    StartPlugin();
    ASSERT_NE(BarWindow(), nullptr);
}

// The platform suggests where the bar is to go, by default where it is.
void ChangeDpi(int dpi, POINT at = {-1, -1})
{
    RECT suggested = BarRect();
    if (at.x >= 0)
        OffsetRect(&suggested, at.x - suggested.left, at.y - suggested.top);
    SendMessageA(BarWindow(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested);
}

using DpiTest = ModuleTest;
}  // namespace

TEST_F(DpiTest, SizesFollowTheDpiAndTheStoredWidthStays)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    int at144 = ExpectSizesAt(144);
    // Without the place the platform suggests, the message is none of the platform's.
    SendMessageA(BarWindow(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
    ExpectSizesAt(144);
    ChangeDpi(192, {200, 150});
    int at192 = ExpectSizesAt(192);
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_GT(at192, at144);
    EXPECT_EQ(BarRect().left, 200) << "the bar takes the suggested place";
    EXPECT_EQ(BarRect().top, 150);

    // Collapsed at 192, and brought back by the host as on a second start.
    SendMessageA(BarWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(BarRect().right - BarRect().left, At(24, 192));
    EXPECT_EQ(Stored("Width"), 400);
    App.record.window = BarWindow();
    ActivateBar();
    EXPECT_EQ(BarRect().right - BarRect().left, At(400, 192));

    // Collapsed again, then at 96, then opened: the width at 96 is what it was.
    SendMessageA(BarWindow(), WM_CLOSE, 0, 0);
    ChangeDpi(96);
    EXPECT_EQ(BarRect().right - BarRect().left, At(24, 96));
    EXPECT_EQ(Stored("Minimize"), 1);
    SendMessageA(BarWindow(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    int at96 = ExpectSizesAt(96);
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 0);
    EXPECT_GE(at144 * 10, at96 * 14) << at144 << " against " << at96;
    EXPECT_EQ(SendMessageA(ComboBox(), WM_GETFONT, 0, 0), (LRESULT)GetStockObject(ANSI_VAR_FONT))
        << "at 96 the bar's font is the one it always had";
}

TEST_F(DpiTest, ButtonIsAnImageDrawnForItsSize)
{
    // Collapsed: the grey image, whatever has the focus.
    ASSERT_NO_FATAL_FAILURE(Start(true));
    const struct {
        int dpi, id, size;
    } cases[] = {{144, 120, 20}, {192, 130, 26}, {120, 110, 16}, {96, 100, 13}};
    for (const auto& c : cases) {
        if (c.dpi != 144)
            ChangeDpi(c.dpi);
        Picture button = ResourceBitmap(Host.module, c.id);
        ASSERT_EQ(button.width, c.size);
        HWND bar = BarWindow();
        RECT client;
        GetClientRect(bar, &client);
        int square = At(13, c.dpi), inset = (square - c.size) / 2;
        Picture expected = ExpectedBar(client.right, client.bottom, &button,
                                       client.bottom / 2 - square / 2 + inset, At(5, c.dpi) + inset);
        std::string difference;
        bool shown = WaitUntil(
            [&] {
                InvalidateRect(bar, NULL, FALSE);
                UpdateWindow(bar);
                difference = PictureDifference(CaptureClient(bar), expected, ChildRect(ComboBox()));
                return difference.empty();
            },
            5000);
        EXPECT_TRUE(shown) << c.dpi << " DPI: " << difference;
    }
}
