// Collapsing and expanding the real bar, close requests, and the context menu with its commands.
#include "harness/testhost.h"
#include "harness/barpixels.h"
#include <commdlg.h>
#include <dlgs.h>
#include <string>
#include <vector>

namespace {
typedef std::vector<int> Widths;

// Every size the bar is asked to take, in order, also one that repeats the current size.
HHOOK sizeHook;
Widths requested;

LRESULT CALLBACK WatchSizes(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGING && call->hwnd == BarWindow()) {
        const WINDOWPOS* pos = (const WINDOWPOS*)call->lParam;
        if (!(pos->flags & SWP_NOSIZE))
            requested.push_back(pos->cx);
    }
    return CallNextHookEx(sizeHook, code, wParam, lParam);
}

class CollapseTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        sizeHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchSizes, NULL, GetCurrentThreadId());
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(sizeHook);
        ModuleTest::TearDown();
    }

    void Start(int width, bool collapsed)
    {
        SetConfigInt("Width", width);
        SetConfigInt("Minimize", collapsed ? 1 : 0);
        SetConfigInt("XPos", 100);
        SetConfigInt("YPos", 100);
        StartPlugin();
        ASSERT_NE(BarWindow(), nullptr);
        Host.recordMask = RECORD_CONFIG_WRITES;
        Begin();
    }
    void Begin()
    {
        requested.clear();
        flush_sequence();
        Host.properties.clear();
    }
};

LRESULT Send(UINT message, WPARAM wParam = 0) { return SendMessageA(BarWindow(), message, wParam, 0); }
void Command(int id) { SendMessageA(BarWindow(), WM_COMMAND, id, 0); }

Widths Saved(const char* keyName)
{
    int values[64];
    int count = collect_values(CFG_SETINT, keyName, values, 64);
    return Widths(values, values + count);
}

struct MenuItem {
    UINT id;
    std::string caption;  // "-" for a separator
    bool operator==(const MenuItem& other) const { return id == other.id && caption == other.caption; }
};
typedef std::vector<MenuItem> Menu;

std::ostream& operator<<(std::ostream& out, const MenuItem& item)
{
    return out << item.id << " \"" << item.caption << "\"";
}

const MenuItem RUN = {98, "Run"}, OPEN = {99, "Open..."}, SEPARATOR = {0, "-"},
               RESTORE = {100, "Restore"}, MINIMIZE = {101, "Minimize"},
               PROPERTIES = {102, "Properties"};

// Opens the bar's context menu at a screen point, reads it while it is shown and closes it.
Menu ShowMenu(LPARAM point, RECT* where = nullptr)
{
    Menu items;
    WhenWindowAppears("#32768", [&](HWND menuWindow) {
        HMENU menu = (HMENU)SendMessageA(menuWindow, MN_GETHMENU, 0, 0);
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoA(menu, i, TRUE, &info);
            char caption[64] = "";
            GetMenuStringA(menu, i, caption, sizeof caption, MF_BYPOSITION);
            if (info.fType & MFT_SEPARATOR)
                items.push_back(MenuItem{GetMenuItemID(menu, i), "-"});
            else
                items.push_back(MenuItem{GetMenuItemID(menu, i), caption});
        }
        if (where)
            GetWindowRect(menuWindow, where);
        EndMenu();
    });
    EXPECT_EQ(SendMessageA(BarWindow(), WM_CONTEXTMENU, (WPARAM)BarWindow(), point), 0);
    EXPECT_TRUE(ModalActionRan());
    PumpMessages(0);
    return items;
}

// Runs "Open..." and answers the open-file dialog with a path, or cancels it (null path).
void OpenFromMenu(const char* path)
{
    WhenWindowAppears("#32770", [path](HWND dialog) {
        if (!path) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND name = GetDlgItem(dialog, cmb13);
        HWND edit = name ? FindWindowExA(name, NULL, "Edit", NULL) : NULL;
        SetWindowTextA(edit ? edit : name ? name : GetDlgItem(dialog, edt1), path);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDOK));
    });
    Command(99);
    EXPECT_TRUE(ModalActionRan());
}

// The host window is on this thread, so sent and posted cannot be told apart here.
const message DialogBracket[] = {{HOSTMSG_DIALOGOPENING, 0}, {HOSTMSG_DIALOGCLOSED, 0}, {0, 0}};
}  // namespace

TEST_F(CollapseTest, DoubleClickCollapsesFasterAndFasterAndExpandsEvenly)
{
    Start(400, false);
    EXPECT_EQ(Send(WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(requested, (Widths{399, 366, 301, 204, 75, 24}));
    // Each step's size change saves; the last save describes the collapsed bar.
    EXPECT_EQ(Saved("Width"), (Widths{399, 366, 301, 204, 75, 24, 400}));
    EXPECT_EQ(Saved("Minimize"), (Widths{0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(BarWidth(BarWindow()), 24);
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 1);

    Begin();
    EXPECT_EQ(Send(WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(requested, (Widths{24, 56, 88, 120, 152, 184, 216, 248, 280, 312, 344, 376, 400}));
    EXPECT_EQ(BarWidth(BarWindow()), 400);
    // While the flag is set the saves keep the width to come back to.
    Widths minimize = Saved("Minimize");
    ASSERT_FALSE(minimize.empty());
    EXPECT_EQ(minimize.back(), 0);
    EXPECT_EQ(Widths(minimize.begin(), minimize.end() - 1), Widths(minimize.size() - 1, 1));
    EXPECT_EQ(Saved("Width"), Widths(minimize.size(), 400));
    EXPECT_EQ(Stored("Width"), 400);
    EXPECT_EQ(Stored("Minimize"), 0);
}

TEST_F(CollapseTest, AnimationStepsOfOtherWidths)
{
    Start(300, false);
    Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(requested, (Widths{299, 266, 201, 104, 24}));
    Begin();
    Send(WM_LBUTTONDBLCLK);
    // The first step repeats the collapsed width.
    EXPECT_EQ(requested, (Widths{24, 56, 88, 120, 152, 184, 216, 248, 280, 300}));
    EXPECT_EQ(BarWidth(BarWindow()), 300);

    RECT rect;
    GetWindowRect(BarWindow(), &rect);
    rect.right = rect.left + 50;
    SendMessageA(BarWindow(), WM_SIZING, WMSZ_RIGHT, (LPARAM)&rect);
    Begin();
    Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(requested, (Widths{49, 24}));
    EXPECT_EQ(Stored("Width"), 50);
    Begin();
    Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(requested, (Widths{24, 50}));
    EXPECT_EQ(Stored("Minimize"), 0);
}

TEST_F(CollapseTest, MenuMinimizeAndRestoreKeepTheSizedWidth)
{
    Start(400, false);
    RECT rect;
    GetWindowRect(BarWindow(), &rect);
    rect.right = rect.left + 300;
    SendMessageA(BarWindow(), WM_SIZING, WMSZ_RIGHT, (LPARAM)&rect);

    Command(101);
    EXPECT_EQ(BarWidth(BarWindow()), 24);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 1);

    // "Minimize" of a collapsed bar would take 24 as the width to come back to.
    Begin();
    Command(101);
    EXPECT_EQ(sequence_count(), 0);
    EXPECT_TRUE(requested.empty());
    EXPECT_EQ(Stored("Width"), 300);

    Command(100);
    EXPECT_EQ(BarWidth(BarWindow()), 300);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 0);

    Begin();
    Command(100);
    EXPECT_EQ(sequence_count(), 0);
    EXPECT_TRUE(requested.empty());
    EXPECT_EQ(BarWidth(BarWindow()), 300);
}

TEST_F(CollapseTest, CloseCollapsesButNeverDestroys)
{
    Start(300, true);
    ASSERT_EQ(BarWidth(BarWindow()), 24);
    // A collapsed bar only saves, and keeps the width it started with.
    EXPECT_EQ(Send(WM_CLOSE), 0);
    ok_sequence(Sequence({SettingsSave(300, 1, 100, 100)}).data(), "close request to a collapsed bar");
    EXPECT_TRUE(requested.empty());
    EXPECT_TRUE(IsWindow(BarWindow()));

    Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(BarWidth(BarWindow()), 300);

    Begin();
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindowVisible(BarWindow()));
    EXPECT_EQ(BarWidth(BarWindow()), 24);
    EXPECT_EQ(requested.back(), 24);
    EXPECT_EQ(Stored("Width"), 300);
    EXPECT_EQ(Stored("Minimize"), 1);
}

TEST_F(CollapseTest, MenuItemsFollowTheLineAndTheState)
{
    Start(400, false);
    RECT where;
    EXPECT_EQ(ShowMenu(MAKELPARAM(200, 300), &where), (Menu{OPEN, SEPARATOR, MINIMIZE, PROPERTIES}));
    EXPECT_EQ(where.left, 200);
    EXPECT_EQ(where.top, 300);

    SetInputText("notepad");
    EXPECT_EQ(ShowMenu(MAKELPARAM(200, 300)), (Menu{RUN, OPEN, SEPARATOR, MINIMIZE, PROPERTIES}));

    Send(WM_CLOSE);
    EXPECT_EQ(ShowMenu(MAKELPARAM(200, 300)), (Menu{RUN, OPEN, SEPARATOR, RESTORE, PROPERTIES}));
    SetInputText("");
    EXPECT_EQ(ShowMenu(MAKELPARAM(200, 300)), (Menu{OPEN, SEPARATOR, RESTORE, PROPERTIES}));

    // The words are unsigned screen coordinates; the menu still comes up, and closing it
    // chooses nothing.
    Begin();
    EXPECT_EQ(ShowMenu(0xFFFFFFFF), (Menu{OPEN, SEPARATOR, RESTORE, PROPERTIES}));
    PumpMessages(50);
    EXPECT_EQ(sequence_count(), 0);
    EXPECT_EQ(BarWidth(BarWindow()), 24);
}

TEST_F(CollapseTest, RunAndPropertiesFromTheMenu)
{
    Start(400, false);
    SetInputText(".About");
    Command(98);
    ASSERT_EQ(Host.commands.size(), 1u);
    EXPECT_EQ(Host.commands[0].action, (DWORD)HOSTACTION_ABOUT);
    EXPECT_EQ(WindowText(InputLine()), "");

    Command(102);
    EXPECT_EQ(Host.properties, std::vector<std::string>{"/OrvelCmd.plg"});
    Send(WM_CLOSE);
    Begin();
    Command(102);
    EXPECT_EQ(Host.properties, std::vector<std::string>{"/OrvelCmd.plg"});
}

TEST_F(CollapseTest, OpenInsertsTheChosenPathAtTheCaret)
{
    HANDLE file = CreateFileA("C:\\x.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    Start(400, false);
    Host.recordMask = RECORD_HOST_MESSAGES;
    HWND input = InputLine();

    SetInputText("abcd");
    SendMessageA(input, EM_SETSEL, 2, 2);
    flush_sequence();
    OpenFromMenu("C:\\x.txt");
    ok_sequence(DialogBracket, "Open... chosen");
    EXPECT_EQ(WindowText(input), "abC:\\x.txtcd");
    EXPECT_TRUE(SendMessageA(input, EM_CANUNDO, 0, 0));
    SendMessageA(input, EM_UNDO, 0, 0);
    EXPECT_EQ(WindowText(input), "abcd");

    // A selection is replaced, and only the selection.
    SendMessageA(input, EM_SETSEL, 1, 3);
    OpenFromMenu("C:\\x.txt");
    EXPECT_EQ(WindowText(input), "aC:\\x.txtd");

    SetInputText("abcd");
    SendMessageA(input, EM_SETSEL, 2, 2);
    flush_sequence();
    OpenFromMenu(nullptr);
    ok_sequence(DialogBracket, "Open... cancelled");
    EXPECT_EQ(WindowText(input), "abcd");
    DeleteFileA("C:\\x.txt");
}
