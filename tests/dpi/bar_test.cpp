// The real bar at high DPI. The prefix's LogPixels is 144, and this process declares itself aware
// of each monitor's DPI, as OrvelCmd.exe does: the bar starts at 144. Wine sends no
// WM_DPICHANGED of its own, so the tests send it.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include "bar/bar.h"

namespace {
typedef BOOL(WINAPI* SetAwarenessContextProc)(HANDLE);
typedef BOOL(WINAPI* AwareProc)();

DWORD AwarenessError;
// Before any window exists. Per-monitor version 2 where the platform knows it, else version 1,
// else aware of the system's DPI (which is all the start at 144 needs).
const bool Aware = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    SetAwarenessContextProc set =
        (SetAwarenessContextProc)(void*)GetProcAddress(user32, "SetProcessDpiAwarenessContext");
    if (set && (set((HANDLE)-4) || set((HANDLE)-3)))
        return true;
    AwarenessError = GetLastError();
    AwareProc systemAware = (AwareProc)(void*)GetProcAddress(user32, "SetProcessDPIAware");
    AwareProc isAware = (AwareProc)(void*)GetProcAddress(user32, "IsProcessDPIAware");
    if (systemAware)
        systemAware();
    return isAware && isAware();
}();

int At(int value, int dpi) { return MulDiv(value, dpi, 96); }

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

struct Sizes {
    int width, height, comboLeft, comboTop, comboWidth, comboHeight;
};

Sizes Measure()
{
    RECT bar = BarRect(), combo = ChildRect(ComboBox());
    return Sizes{bar.right - bar.left, bar.bottom - bar.top, combo.left, combo.top,
                 combo.right - combo.left, combo.bottom - combo.top};
}

class DpiTest : public ModuleTest {
protected:
    void Start(bool collapsed = false)
    {
        ASSERT_TRUE(Aware) << "the process could not be made DPI-aware: " << AwarenessError;
        SetConfigInt("XPos", 100);
        SetConfigInt("YPos", 100);
        SetConfigInt("Width", 400);
        SetConfigInt("Minimize", collapsed ? 1 : 0);
        StartPlugin();
        ASSERT_NE(BarWindow(), nullptr);
    }

    void ChangeDpi(int dpi)
    {
        RECT suggested = BarRect();
        SendMessageA(BarWindow(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested);
    }
};
}  // namespace

TEST_F(DpiTest, SizesFollowTheDpiAndTheStoredWidthStays)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Sizes at144 = Measure();
    ChangeDpi(192);
    Sizes at192 = Measure();
    EXPECT_EQ(Stored("Width"), 400);
    ChangeDpi(96);
    Sizes at96 = Measure();
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(SendMessageA(ComboBox(), WM_GETFONT, 0, 0), (LRESULT)GetStockObject(ANSI_VAR_FONT))
        << "at 96 the bar's font is the one it always had";

    const struct {
        int dpi;
        const Sizes* got;
    } cases[] = {{96, &at96}, {144, &at144}, {192, &at192}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.got->width, At(400, c.dpi)) << c.dpi;
        EXPECT_EQ(c.got->height, c.got->comboHeight + At(4, c.dpi)) << c.dpi;
        EXPECT_EQ(c.got->comboLeft, At(22, c.dpi)) << c.dpi;
        EXPECT_EQ(c.got->comboTop, At(2, c.dpi)) << c.dpi;
        EXPECT_EQ(c.got->comboWidth, c.got->width - At(24, c.dpi)) << c.dpi;
    }
    EXPECT_GE(at144.height * 10, at96.height * 14) << at144.height << " against " << at96.height;
    EXPECT_GT(at192.height, at144.height);
    EXPECT_EQ(BarRect().left, 100) << "the bar takes the suggested place";
}

TEST_F(DpiTest, CollapsedBarKeepsItsWidthAt96AcrossADpiChange)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    SendMessageA(BarWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Measure().width, At(24, 144));
    ChangeDpi(192);
    EXPECT_EQ(Measure().width, At(24, 192));
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 1);

    SendMessageA(BarWindow(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Measure().width, At(400, 192));
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 0);
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
                RECT combo = ChildRect(ComboBox());
                difference = PictureDifference(CaptureClient(bar), expected, combo);
                return difference.empty();
            },
            5000);
        EXPECT_TRUE(shown) << c.dpi << " DPI: " << difference;
    }
}
