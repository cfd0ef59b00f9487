// The bar window procedure of the real module: what each message returns and does, translucency
// on a display change, the shell's full-screen notice, the drop-down list, and the painted bar.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include "kelvor/hooks.h"
#include "bar/bar.h"
#include <shellapi.h>

namespace {
const char HistoryKeyPath[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

const message NoCalls[] = {{0}};

// One complete save of a bar that is expanded at (0, 1).
const Messages SaveAt300 = Sequence({SettingsSave(300, 0, 0, 1)});
const Messages SaveAt400 = Sequence({SettingsSave(400, 0, 0, 1)});

int ClientWidth(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return client.right;
}

int ClientHeight(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return client.bottom;
}

LONG ExStyle(HWND window) { return GetWindowLongA(window, GWL_EXSTYLE); }

bool HasUpdateRegion(HWND window)
{
    RECT rect;
    return GetUpdateRect(window, &rect, FALSE) != 0;
}

// Paint whatever is pending, then forget about it: a later update region is the test's own.
void PaintAndValidate(HWND window)
{
    UpdateWindow(window);
    RedrawWindow(window, NULL, NULL, RDW_VALIDATE | RDW_NOERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT HitTestAtClientX(HWND bar, int x)
{
    RECT rect;
    GetWindowRect(bar, &rect);
    return SendMessageA(bar, WM_NCHITTEST, 0, MAKELPARAM(rect.left + x, rect.top + 5));
}

bool FocusOnInput(HWND bar)
{
    SetForegroundWindow(bar);
    SetFocus(InputLine());
    return WaitUntil([] { return GetFocus() == InputLine(); }, 10000);
}

void PlantHistory(const char* slot, const char* text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, HistoryKeyPath, &key), ERROR_SUCCESS);
    RegSetValueExA(key, slot, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
    RegCloseKey(key);
}

std::string ListItem(HWND combo, int index)
{
    char text[600];
    text[0] = '\0';
    if (SendMessageA(combo, CB_GETLBTEXTLEN, index, 0) < (LRESULT)sizeof text)
        SendMessageA(combo, CB_GETLBTEXT, index, (LPARAM)text);
    return text;
}
}  // namespace

class BarProcTest : public ModuleTest {
protected:
    HWND bar = NULL;

    void Start()
    {
        StartPlugin();
        bar = BarWindow();
        ASSERT_NE(bar, nullptr);
        PaintAndValidate(bar);
    }

    void TearDown() override
    {
        DeleteHistoryKey();
        ModuleTest::TearDown();
    }

    // "" when the bar shows the face, the raised frame and the given button image (none: face).
    std::string BarDifference(const Picture* button)
    {
        int height = ClientHeight(bar);
        Picture expected = ExpectedBar(ClientWidth(bar), height, button, height / 2 - 6);
        RECT combo = ChildRect(ComboBox());
        return PictureDifference(CaptureClient(bar), expected, combo);
    }

    bool ShowsSoon(const Picture* button, std::string* difference)
    {
        bool shown = WaitUntil([&] { return BarDifference(button).empty(); }, 5000);
        *difference = BarDifference(button);
        return shown;
    }
};

TEST_F(BarProcTest, BackgroundErasingIsLeftToPainting)
{
    Start();
    HDC memory = CreateCompatibleDC(NULL);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 8, 8, 1, 32, BI_RGB};
    DWORD* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(memory, &info, DIB_RGB_COLORS, (void**)&bits, NULL, 0);
    ASSERT_NE(canvas, nullptr);
    HGDIOBJ previous = SelectObject(memory, canvas);
    for (int i = 0; i < 64; i++)
        bits[i] = 0x00FF00FF;

    EXPECT_EQ(SendMessageA(bar, WM_ERASEBKGND, (WPARAM)memory, 0), 1);
    GdiFlush();
    int changed = 0;
    for (int i = 0; i < 64; i++)
        changed += bits[i] != 0x00FF00FF;
    EXPECT_EQ(changed, 0) << "WM_ERASEBKGND painted";

    SelectObject(memory, previous);
    DeleteObject(canvas);
    DeleteDC(memory);

    // Every activation change redraws the button, whose image follows the focus.
    EXPECT_FALSE(HasUpdateRegion(bar));
    SendMessageA(bar, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(HasUpdateRegion(bar));
}

TEST_F(BarProcTest, FocusIsPassedToTheInputLine)
{
    Start();
    ASSERT_NE(GetFocus(), InputLine()) << "the bar is shown without taking the focus";
    EXPECT_EQ(SendMessageA(bar, WM_SETFOCUS, 0, 0), 0);
    EXPECT_TRUE(WaitUntil([] { return GetFocus() == InputLine(); }, 10000));
}

TEST_F(BarProcTest, LosingTheMouseEndsADragWithoutSaving)
{
    Start();
    Host.recordMask = RECORD_CONFIG_WRITES;
    flush_sequence();
    EXPECT_EQ(SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)), 0);
    ok_sequence(NoCalls, "button released without a drag");

    const UINT endings[] = {WM_KILLFOCUS, WM_CANCELMODE, WM_ENTERMENULOOP};
    for (UINT ending : endings) {
        SCOPED_TRACE(ending);
        // The capture goes whether or not a drag was under way.
        SetCapture(bar);
        EXPECT_EQ(SendMessageA(bar, ending, 0, 0), 0);
        EXPECT_EQ(GetCapture(), nullptr);

        EXPECT_EQ(SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)), 0);
        ASSERT_EQ(GetCapture(), bar) << "no drag began on the button";
        flush_sequence();
        EXPECT_EQ(SendMessageA(bar, ending, 0, 0), 0);
        EXPECT_EQ(GetCapture(), nullptr);
        // The drag is over: the button's release no longer saves either.
        SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ok_sequence(NoCalls, "drag ended by losing the mouse");
    }

    // Only the release of the button saves a drag's end.
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(GetCapture(), bar);
    flush_sequence();
    SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), nullptr);
    ok_sequence(SaveAt400.data(), "drag ended by the button");
}

TEST_F(BarProcTest, OnlyMenuIdsOfTheBarRunCommands)
{
    Start();
    Host.recordMask = RECORD_HOST_MESSAGES | RECORD_CONFIG_WRITES;
    flush_sequence();
    EXPECT_EQ(SendMessageA(bar, WM_COMMAND, 97, 0), 0);
    EXPECT_EQ(SendMessageA(bar, WM_COMMAND, 103, 0), 0);
    ok_sequence(NoCalls, "ids 97 and 103");
    EXPECT_EQ(ClientWidth(bar), 400);

    // Both ends of the range do act: 101 minimizes, 102 asks the host for the properties.
    EXPECT_EQ(SendMessageA(bar, WM_COMMAND, IDM_MINIMIZE, 0), 0);
    EXPECT_EQ(ClientWidth(bar), 24);
    EXPECT_EQ(SendMessageA(bar, WM_COMMAND, IDM_PROPERTIES, 0), 0);
    EXPECT_EQ(Host.properties.size(), 1u);
}

TEST_F(BarProcTest, SizeChangesAreRecordedAndMoveTheSizingStrip)
{
    Start();
    EXPECT_EQ(HitTestAtClientX(bar, 399), HTRIGHT);
    EXPECT_EQ(HitTestAtClientX(bar, 398), HTRIGHT);
    EXPECT_EQ(HitTestAtClientX(bar, 397), HTCLIENT);
    EXPECT_EQ(HitTestAtClientX(bar, 0), HTCLIENT);

    Host.recordMask = RECORD_CONFIG_WRITES;
    flush_sequence();
    SetWindowPos(bar, NULL, 0, 0, 300, ClientHeight(bar), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ok_sequence(SaveAt300.data(), "bar sized to 300");
    int width = 0;
    EXPECT_TRUE(GetConfigInt("Width", &width) && width == 300);

    EXPECT_EQ(HitTestAtClientX(bar, 299), HTRIGHT);
    EXPECT_EQ(HitTestAtClientX(bar, 298), HTRIGHT);
    EXPECT_EQ(HitTestAtClientX(bar, 297), HTCLIENT);
}

// The platform sends WM_DPICHANGED only to windows aware of each monitor's DPI: in an unaware
// host, the shell's setting, anyone's is passed on and changes nothing.
TEST_F(BarProcTest, DpiChangeInAnUnawareHostChangesNothing)
{
    Start();
    RECT before = BarRect(), suggested = {0, 0, 600, 40};
    Host.recordMask = RECORD_CONFIG_WRITES;
    flush_sequence();
    EXPECT_EQ(SendMessageA(bar, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested), 0);
    ok_sequence(NoCalls, "no save");
    RECT after = BarRect();
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(SendMessageA(ComboBox(), WM_GETFONT, 0, 0), (LRESULT)GetStockObject(ANSI_VAR_FONT));
}

// Transparency and the opacity it gives.
class DisplayChangeTest : public BarProcTest,
                          public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(DisplayChangeTest, LayeringFollowsTheLibrarysAnswer)
{
    int transparency = GetParam().first, opacity = GetParam().second;
    SetConfigInt("Transparency", transparency);
    Start();
    HWND combo = ComboBox();
    ASSERT_TRUE(ExStyle(bar) & WS_EX_LAYERED);
    ASSERT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);
    Host.recordMask = RECORD_LIBRARY;
    flush_sequence();

    // The same answer as before: nothing changes, nothing is redrawn.
    EXPECT_EQ(SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768)), 0);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_LAYERED);
    EXPECT_FALSE(HasUpdateRegion(bar));
    ok_sequence(NoCalls, "display change, still layered");

    KelvorSetLayeredAvailable(0);
    EXPECT_EQ(SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768)), 0);
    EXPECT_FALSE(ExStyle(bar) & WS_EX_LAYERED);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_TOPMOST) << "other extended styles are kept";
    EXPECT_TRUE(HasUpdateRegion(bar));
    EXPECT_TRUE(HasUpdateRegion(combo));
    ok_sequence(NoCalls, "layering switched off");

    PaintAndValidate(bar);
    SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_FALSE(HasUpdateRegion(bar));
    EXPECT_FALSE(ExStyle(bar) & WS_EX_LAYERED);

    KelvorSetLayeredAvailable(1);
    EXPECT_EQ(SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768)), 0);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_LAYERED);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);
    const message layered[] = {{CFG_LAYERED, lparam, 0, opacity}, {0}};
    ok_sequence(layered, "layering switched on");
}

INSTANTIATE_TEST_SUITE_P(Opacity, DisplayChangeTest,
                         ::testing::Values(std::make_pair(20, 204), std::make_pair(70, 76)));

TEST_F(BarProcTest, OpaqueBarStaysOpaqueOnADisplayChange)
{
    Start();
    Host.recordMask = RECORD_LIBRARY;
    flush_sequence();
    EXPECT_EQ(SendMessageA(bar, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768)), 0);
    EXPECT_FALSE(ExStyle(bar) & WS_EX_LAYERED);
    EXPECT_FALSE(HasUpdateRegion(bar));
    ok_sequence(NoCalls, "opaque bar");
}

TEST_F(BarProcTest, FullScreenWindowsPushTheBarDown)
{
    Start();
    ASSERT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);

    EXPECT_EQ(SendMessageA(bar, BARMSG_APPBAR, ABN_FULLSCREENAPP, 1), 0);
    EXPECT_FALSE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_FALSE(HasUpdateRegion(bar));
    bool belowHost = false;
    for (HWND w = GetWindow(Host.mainWindow, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        belowHost |= w == bar;
    EXPECT_TRUE(belowHost) << "the bar went to the bottom of the z-order";

    // Other notifications change nothing, whatever their lParam.
    EXPECT_EQ(SendMessageA(bar, BARMSG_APPBAR, ABN_POSCHANGED, 0), 0);
    EXPECT_FALSE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_FALSE(HasUpdateRegion(bar));

    EXPECT_EQ(SendMessageA(bar, BARMSG_APPBAR, ABN_FULLSCREENAPP, 0), 0);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_TRUE(HasUpdateRegion(bar));

    PaintAndValidate(bar);
    EXPECT_EQ(SendMessageA(bar, BARMSG_APPBAR, ABN_POSCHANGED, 1), 0);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_FALSE(HasUpdateRegion(bar));
}

TEST_F(BarProcTest, EndOfFullScreenMakesEvenANormalBarTopmost)
{
    Host.topmostAnswer = 1;
    Start();
    ASSERT_FALSE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_EQ(SendMessageA(bar, BARMSG_APPBAR, ABN_FULLSCREENAPP, 0), 0);
    EXPECT_TRUE(ExStyle(bar) & WS_EX_TOPMOST);
    EXPECT_TRUE(HasUpdateRegion(bar));
}

TEST_F(BarProcTest, DroppingDownRefillsTheListFromTheHistory)
{
    PlantHistory("0", "alpha");
    PlantHistory("1", "beta");
    Start();
    HWND combo = ComboBox();
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);

    EXPECT_EQ(SendMessageA(bar, WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), (LPARAM)combo), 0);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListItem(combo, 0), "alpha");
    EXPECT_EQ(ListItem(combo, 1), "beta");

    // The combo box's own notification, when its list really opens.
    PlantHistory("2", "gamma");
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ListItem(combo, 2), "gamma");
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(BarProcTest, ButtonImageFollowsTheFocus)
{
    Picture collapsed = ResourceBitmap(Host.module, 100);
    Picture focused = ResourceBitmap(Host.module, 101);
    Picture idle = ResourceBitmap(Host.module, 102);
    ASSERT_EQ(idle.width, 13);
    ASSERT_EQ(idle.height, 13);
    ASSERT_TRUE(collapsed.pixels != focused.pixels && focused.pixels != idle.pixels &&
                idle.pixels != collapsed.pixels);
    // The host's memory context gets its own selection back after every copy.
    HBITMAP hostBitmap = CreateCompatibleBitmap(Host.memoryDC, 2, 2);
    HGDIOBJ original = SelectObject(Host.memoryDC, hostBitmap);

    Start();
    std::string difference;
    ASSERT_NE(GetFocus(), InputLine());
    EXPECT_TRUE(ShowsSoon(&idle, &difference)) << "unfocused: " << difference;
    EXPECT_EQ(GetCurrentObject(Host.memoryDC, OBJ_BITMAP), hostBitmap);

    // Activation alone redraws the button: nothing else invalidates the bar here.
    ASSERT_TRUE(FocusOnInput(bar));
    EXPECT_TRUE(ShowsSoon(&focused, &difference)) << "focused: " << difference;

    ShowWindow(Host.mainWindow, SW_SHOWNA);
    SetForegroundWindow(Host.mainWindow);
    SetFocus(Host.mainWindow);
    ASSERT_TRUE(WaitUntil([] { return GetFocus() == Host.mainWindow; }, 10000));
    EXPECT_TRUE(ShowsSoon(&idle, &difference)) << "focus elsewhere: " << difference;
    EXPECT_EQ(GetCurrentObject(Host.memoryDC, OBJ_BITMAP), hostBitmap);

    SelectObject(Host.memoryDC, original);
    DeleteObject(hostBitmap);
}

TEST_F(BarProcTest, CollapsedButtonIsGreyEvenWithTheFocus)
{
    Picture collapsed = ResourceBitmap(Host.module, 100);
    ASSERT_EQ(collapsed.width, 13);
    SetConfigInt("Minimize", 1);
    Start();
    ASSERT_EQ(ClientWidth(bar), 24);
    ASSERT_TRUE(FocusOnInput(bar));
    InvalidateRect(bar, NULL, FALSE);
    UpdateWindow(bar);
    std::string difference;
    EXPECT_TRUE(ShowsSoon(&collapsed, &difference)) << difference;
}

TEST_F(BarProcTest, WithoutAMemoryContextTheBarStillShowsFrameAndFace)
{
    Host.context.memoryDC = NULL;
    Start();
    InvalidateRect(bar, NULL, FALSE);
    UpdateWindow(bar);
    std::string difference;
    EXPECT_TRUE(ShowsSoon(nullptr, &difference)) << difference;
}
