// The bar window procedure on a window of the test's own, with the state set up by hand: the
// guard against sizes before the bar is recorded, and painting with images or a context missing.
#include <gtest/gtest.h>
#include "plugin/state.h"
#include "bar/bar.h"
#include "harness/barpixels.h"
#include "harness/testhost.h"
#include "kelvor/hooks.h"

namespace {
const char TestClass[] = "BarProcUnit";
int configCalls;
void __stdcall CountCalls(const char*, const char*, int) { configCalls++; }

HBITMAP SolidBitmap(int size, COLORREF color)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all = {0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return bitmap;
}

int WindowWidth(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}
}  // namespace

class BarProcUnitTest : public ::testing::Test {
protected:
    HWND window = NULL;

    void SetUp() override
    {
        ZeroMemory(&State, sizeof State);
        WNDCLASSA windowClass = {};
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = BarWndProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
        windowClass.lpszClassName = TestClass;
        RegisterClassA(&windowClass);
        configCalls = 0;
        KelvorSetObserver(CountCalls);
    }

    void TearDown() override
    {
        KelvorSetObserver(nullptr);
        if (window)
            DestroyWindow(window);
        ZeroMemory(&State, sizeof State);
        UnregisterClassA(TestClass, GetModuleHandleA(NULL));
    }

    void Create(int width, int height)
    {
        window = CreateWindowExA(WS_EX_TOPMOST, TestClass, "", WS_POPUP, 100, 300, width, height,
                                 NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(window, nullptr);
        // Shown as the module shows its bar: activation under Wine would cost seconds.
        ShowWindow(window, SW_SHOWNA);
    }

    std::string Difference(const Picture* button)
    {
        RECT none = {0, 0, 0, 0};
        Picture expected = ExpectedBar(WindowWidth(window), State.barHeight, button,
                                       State.barHeight / 2 - 6);
        return PictureDifference(CaptureClient(window), expected, none);
    }

    bool ShowsSoon(const Picture* button, std::string* difference)
    {
        InvalidateRect(window, NULL, FALSE);
        UpdateWindow(window);
        bool shown = WaitUntil([&] { return Difference(button).empty(); }, 5000);
        *difference = Difference(button);
        return shown;
    }
};

TEST_F(BarProcUnitTest, SizesBeforeTheBarIsRecordedChangeNothing)
{
    State.width = 123;
    Create(200, 25);  // creation sends WM_SIZE itself
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 25)), 0);
    RECT proposed = {100, 300, 130, 325};
    EXPECT_EQ(SendMessageA(window, WM_SIZING, WMSZ_RIGHT, (LPARAM)&proposed), 0);
    EXPECT_EQ(proposed.right, 130);
    EXPECT_EQ(WindowWidth(window), 200);
    EXPECT_EQ(State.width, 123);
    EXPECT_EQ(configCalls, 0);

    // Once recorded, the same sizing step acts: held at the minimum width, recorded, saved.
    State.bar = window;
    EXPECT_EQ(SendMessageA(window, WM_SIZING, WMSZ_RIGHT, (LPARAM)&proposed), 0);
    EXPECT_EQ(proposed.right, 150);
    EXPECT_EQ(WindowWidth(window), 50);
    EXPECT_EQ(State.width, 50);
    EXPECT_GT(configCalls, 0);
}

TEST_F(BarProcUnitTest, MissingImagesLeaveTheFaceAndTheHostsSelection)
{
    HBITMAP greenBitmap = SolidBitmap(13, RGB(0, 200, 0));
    Picture green = BitmapPicture(greenBitmap);
    HDC memory = CreateCompatibleDC(NULL);
    HBITMAP hostBitmap = SolidBitmap(13, RGB(255, 0, 0));
    HGDIOBJ original = SelectObject(memory, hostBitmap);
    State.host.memoryDC = memory;
    State.barHeight = 25;
    State.width = 60;
    Create(60, 25);
    State.bar = window;

    // No image at all: what the host's context holds must not show through.
    std::string difference;
    EXPECT_TRUE(ShowsSoon(nullptr, &difference)) << "no images: " << difference;
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BITMAP), hostBitmap);

    // No input line and no focus: the image for "not focused".
    State.images[IMAGE_IDLE] = greenBitmap;
    EXPECT_TRUE(ShowsSoon(&green, &difference)) << "idle image: " << difference;
    EXPECT_EQ(GetCurrentObject(memory, OBJ_BITMAP), hostBitmap);

    // Collapsed without its own image: no other image stands in for it.
    State.collapsed = 1;
    EXPECT_TRUE(ShowsSoon(nullptr, &difference)) << "collapsed, no image: " << difference;

    DeleteObject(greenBitmap);
    SelectObject(memory, original);
    DeleteObject(hostBitmap);
    DeleteDC(memory);
}
