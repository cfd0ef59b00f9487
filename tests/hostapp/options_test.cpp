// The host program's options dialog, driven as a user would (fields found by their labels,
// values typed, OK or Cancel pressed), then the configuration, the registry and the system's
// hot keys read back.
#include "harness/format.h"
#include "harness/process.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"
#include "kelvor/hooks.h"
#include "shared.h"
#include <commctrl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char ProgramPath[] = "C:\\Program Files\\Orvel Test\\OrvelCmd.exe";
const WORD CtrlAltO = MAKEWORD('O', HOTKEYF_CONTROL | HOTKEYF_ALT);
const WORD ShiftF5 = MAKEWORD(VK_F5, HOTKEYF_SHIFT);

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> Children(HWND dialog, const char* className)
{
    std::vector<HWND> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!lstrcmpiA(ClassOf(child).c_str(), className))
            found.push_back(child);
    return found;
}

bool Checked(HWND dialog, const char* text)
{
    return SendMessageA(WithText(dialog, text), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND control) { SendMessageA(control, BM_CLICK, 0, 0); }

void SetField(HWND dialog, const char* label, const char* text)
{
    SendMessageA(FieldOf(dialog, label), WM_SETTEXT, 0, (LPARAM)text);
}

// A dialog that an action leaves open fails the test at once instead of at its time-out.
HWND leftOpen;
void CALLBACK CloseLeftOpen(HWND, UINT, UINT_PTR, DWORD)
{
    if (IsWindow(leftOpen)) {
        ADD_FAILURE() << "the options dialog was left open";
        EndDialog(leftOpen, IDCANCEL);
    }
}

// Opens the dialog and runs action on it once it shows; the result is ShowOptionsDialog's.
bool RunDialog(const std::function<void(HWND)>& action)
{
    UINT_PTR guard = 0;
    WhenWindowAppears("#32770", [&](HWND dialog) {
        EXPECT_EQ(App.optionsDialog, dialog);
        action(dialog);
        leftOpen = dialog;
        guard = SetTimer(NULL, 0, 3000, CloseLeftOpen);
    });
    bool result = ShowOptionsDialog(Host.mainWindow);
    KillTimer(NULL, guard);
    EXPECT_TRUE(ModalActionRan());
    EXPECT_EQ(App.optionsDialog, nullptr);
    return result;
}

// Presses OK expecting a message box over the dialog; answers it and returns its text.
HWND BoxOwner;
std::string BoxText;
UINT_PTR BoxTimer;

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    if (GetWindow(window, GW_OWNER) != BoxOwner || !IsWindowVisible(window))
        return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, (LPARAM)&box);
    if (!box)
        return;
    KillTimer(NULL, BoxTimer);
    BoxText = MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::string PressOkExpectingRefusal(HWND dialog)
{
    BoxOwner = dialog;
    BoxText.clear();
    BoxTimer = SetTimer(NULL, 0, 50, AnswerBox);
    Click(GetDlgItem(dialog, IDOK));
    KillTimer(NULL, BoxTimer);
    return BoxText;
}

int Stored(const char* section, const char* key)
{
    WritePrivateProfileStringA(NULL, NULL, NULL, Host.configPath);
    return GetPrivateProfileIntA(section, key, -999, Host.configPath);
}

bool NothingStored() { return GetFileAttributesA(Host.configPath) == INVALID_FILE_ATTRIBUTES; }

void SetRunValue(const std::string& value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                              NULL), ERROR_SUCCESS);
    RegSetValueExA(key, ProgramName, 0, REG_SZ, (const BYTE*)value.c_str(), value.size() + 1);
    RegCloseKey(key);
}

// Whether another window can take the combination: false while someone holds it.
bool Free(HWND other, UINT modifiers, UINT key)
{
    if (!RegisterHotKey(other, 9, modifiers, key))
        return false;
    UnregisterHotKey(other, 9);
    return true;
}

class OptionsTest : public ModuleTest {
protected:
    HWND other;   // another program's window, as far as hot keys go
    void SetUp() override
    {
        ModuleTest::SetUp();
        char problem[512];
        ASSERT_TRUE(ActAsHostProgram(problem, sizeof problem)) << problem;
        lstrcpynA(App.programPath, ProgramPath, MAX_PATH);
        App.hotkey = 0;
        App.dryRun = false;
        App.logPath[0] = '\0';
        other = CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    }
    void TearDown() override
    {
        SetHotkey(0);
        DestroyWindow(other);
        // Left behind, the value would have the prefix's next start try to run it.
        App.dryRun = false;
        SetStartWithWindows(false);
        ModuleTest::TearDown();
    }
};

}  // namespace

TEST_F(OptionsTest, ControlsFollowTheOptionsTable)
{
    EXPECT_FALSE(RunDialog([](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "OrvelCmd Options");
        for (const char* text : {"Minimize", "AutoComplete", "Start with Windows"})
            EXPECT_EQ(GetWindowLongA(WithText(dialog, text), GWL_STYLE) & BS_TYPEMASK,
                      BS_AUTOCHECKBOX) << text;
        struct Limits { const char* label; int minimum, maximum; };
        for (const Limits& row : {Limits{"Snap:", 0, 20}, Limits{"Width:", 50, 2000}}) {
            HWND field = FieldOf(dialog, row.label), upDown = GetWindow(field, GW_HWNDNEXT);
            EXPECT_EQ((HWND)SendMessageA(upDown, UDM_GETBUDDY, 0, 0), field) << row.label;
            int low = -1, high = -1;
            SendMessageA(upDown, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
            EXPECT_EQ(low, row.minimum) << row.label;
            EXPECT_EQ(high, row.maximum) << row.label;
        }
        // Positions may be negative (a display left of the main one): plain boxes.
        for (const char* label : {"XPos:", "YPos:"}) {
            EXPECT_EQ(ClassOf(FieldOf(dialog, label)), "Edit") << label;
            EXPECT_FALSE(GetWindowLongA(FieldOf(dialog, label), GWL_STYLE) & ES_NUMBER) << label;
        }
        EXPECT_EQ(Children(dialog, UPDOWN_CLASSA).size(), 2u);
        std::vector<HWND> sliders = Children(dialog, TRACKBAR_CLASSA);
        ASSERT_EQ(sliders.size(), 1u);
        EXPECT_EQ(FieldOf(dialog, "Transparency:"), sliders[0]);
        EXPECT_EQ(SendMessageA(sliders[0], TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageA(sliders[0], TBM_GETRANGEMAX, 0, 0), 70);

        // Tab goes through the rows in the table's order, then the host's own, then the buttons.
        HWND order[] = {FieldOf(dialog, "Snap:"), WithText(dialog, "Minimize"),
                        FieldOf(dialog, "Width:"), FieldOf(dialog, "XPos:"),
                        FieldOf(dialog, "YPos:"), WithText(dialog, "AutoComplete"), sliders[0],
                        FieldOf(dialog, "Shortcut:"), WithText(dialog, "Start with Windows"),
                        GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL)};
        EXPECT_EQ(ClassOf(order[7]), HOTKEY_CLASSA);
        for (size_t i = 1; i < sizeof order / sizeof order[0]; i++)
            EXPECT_EQ(GetNextDlgTabItem(dialog, order[i - 1], FALSE), order[i]) << "tab stop " << i;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
}

TEST_F(OptionsTest, WithoutLayeredWindowsThereIsNoSlider)
{
    KelvorSetLayeredAvailable(0);
    App.info = Host.GetPluginInfo();
    ASSERT_EQ(App.info->optionCount, 6);
    RunDialog([](HWND dialog) {
        EXPECT_TRUE(Children(dialog, TRACKBAR_CLASSA).empty());
        EXPECT_EQ(WithText(dialog, "Transparency:"), nullptr);
        EXPECT_NE(WithText(dialog, "AutoComplete"), nullptr);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(OptionsTest, ShowsStoredValuesAndDefaultsForTheRest)
{
    SetConfigInt("Snap", 12);
    SetConfigInt("Width", 640);
    SetConfigInt("XPos", -20);
    SetConfigInt("Minimize", 1);
    SetConfigInt("Transparency", 30);
    App.hotkey = CtrlAltO;   // shown, never registered
    RunDialog([](HWND dialog) {
        EXPECT_EQ(WindowText(FieldOf(dialog, "Snap:")), "12");
        EXPECT_EQ(WindowText(FieldOf(dialog, "Width:")), "640");
        EXPECT_EQ(WindowText(FieldOf(dialog, "XPos:")), "-20");
        EXPECT_EQ(WindowText(FieldOf(dialog, "YPos:")), "0");
        EXPECT_TRUE(Checked(dialog, "Minimize"));
        EXPECT_TRUE(Checked(dialog, "AutoComplete"));
        EXPECT_FALSE(Checked(dialog, "Start with Windows"));
        HWND slider = FieldOf(dialog, "Transparency:");
        EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 30);
        EXPECT_EQ(WindowText(GetWindow(slider, GW_HWNDNEXT)), "30 %");
        EXPECT_EQ(SendMessageA(FieldOf(dialog, "Shortcut:"), HKM_GETHOTKEY, 0, 0), CtrlAltO);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    App.hotkey = 0;
}

TEST_F(OptionsTest, OkStoresEveryValueTheUserChanged)
{
    // XPos at its right limit: the left one is mostly 0, the value shown, which is not stored.
    const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) - 8;
    EXPECT_TRUE(RunDialog([&](HWND dialog) {
        // The limits themselves are accepted; blanks around a number are forgiven.
        SetField(dialog, "Snap:", "0");
        SetField(dialog, "Width:", "2000");
        SetField(dialog, "XPos:", (" " + std::to_string(right) + " ").c_str());
        Click(WithText(dialog, "Minimize"));
        Click(WithText(dialog, "AutoComplete"));
        HWND slider = FieldOf(dialog, "Transparency:");
        SendMessageA(slider, TBM_SETPOS, TRUE, 40);
        // A key on the slider moves it as the user would; the percentage beside it follows.
        SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 1);
        EXPECT_EQ(WindowText(GetWindow(slider, GW_HWNDNEXT)), "41 %");
        Click(GetDlgItem(dialog, IDOK));
    }));
    const char* keys[] = {"Snap", "Minimize", "Width", "XPos",
                          "YPos", "AutoComplete", "Transparency"};
    // YPos, untouched, stays unstored: the bar's own default is not the table's.
    const int values[] = {0, 1, 2000, right, -999, 0, 41};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(Stored("Abrivel", keys[i]), values[i]) << keys[i];
}

// The dialog stays open with the values and names the file; OK then stores them once it can.
TEST_F(OptionsTest, FailedSaveIsShownAndTheDialogStaysOpen)
{
    SetConfigInt("Snap", 3);
    SetFileAttributesA(Host.configPath, FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(RunDialog([](HWND dialog) {
        SetField(dialog, "Width:", "700");
        std::string box = PressOkExpectingRefusal(dialog);
        EXPECT_NE(box.find(std::string("could not be stored in\n") + Host.configPath), std::string::npos) << box;
        EXPECT_EQ(WindowText(FieldOf(dialog, "Width:")), "700") << "still open, the value kept";
        SetFileAttributesA(Host.configPath, FILE_ATTRIBUTE_NORMAL);
        Click(GetDlgItem(dialog, IDOK));
    }));
    SetFileAttributesA(Host.configPath, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Stored("Abrivel", "Width"), 700);
    EXPECT_EQ(Stored(HostSection, HotkeyKey), -999) << "an unchanged shortcut is not written";
}

TEST_F(OptionsTest, CancelEscapeAndTheCloseBoxStoreNothing)
{
    for (std::string way : {"Cancel", "Escape", "close box"}) {
        EXPECT_FALSE(RunDialog([&](HWND dialog) {
            SetField(dialog, "Width:", "900");
            Click(WithText(dialog, "Start with Windows"));
            SendMessageA(FieldOf(dialog, "Shortcut:"), HKM_SETHOTKEY, CtrlAltO, 0);
            SetFocus(FieldOf(dialog, "Width:"));
            if (way == "Cancel")
                Click(GetDlgItem(dialog, IDCANCEL));
            else if (way == "Escape")
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
            else
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        })) << way;
        EXPECT_TRUE(NothingStored()) << way;
        EXPECT_EQ(RunValue(), "(none)") << way;
        EXPECT_EQ(App.hotkey, 0) << way;
    }
}

TEST_F(OptionsTest, ValuesOutOfRangeOrNotNumbersAreRefused)
{
    struct Case { const char* label; const char* text; std::string message; const char* valid; };
    // The bar may stand anywhere on the virtual screen, 8 pixels of it on it.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - 8;
    const int bottom = top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - 8;
    auto limits = [](const char* name, int low, int high) {
        return Format("%s must be a whole number from %d to %d.", name, low, high);
    };
    const std::string xLimits = limits("XPos", left, right), yLimits = limits("YPos", top, bottom);
    const std::string pastRight = std::to_string(right + 1), aboveTop = std::to_string(top - 1);
    const Case cases[] = {
        {"Width:", "49", "Width must be a whole number from 50 to 2000.", "500"},
        {"Width:", "abc", "Width must be a whole number from 50 to 2000.", "500"},
        {"Width:", "99999999999", "Width must be a whole number from 50 to 2000.", "500"},
        {"Snap:", "21", "Snap must be a whole number from 0 to 20.", "9"},
        {"XPos:", "12x", xLimits, "5"},
        {"XPos:", pastRight.c_str(), xLimits, "5"},
        {"YPos:", "", yLimits, "5"},
        {"YPos:", aboveTop.c_str(), yLimits, "5"},
    };
    EXPECT_FALSE(RunDialog([&](HWND dialog) {
        Click(WithText(dialog, "AutoComplete"));   // valid, and not to be stored either
        for (const Case& c : cases) {
            SetField(dialog, c.label, c.text);
            EXPECT_EQ(PressOkExpectingRefusal(dialog), c.message) << c.label << " " << c.text;
            EXPECT_EQ(GetFocus(), FieldOf(dialog, c.label)) << c.label << " " << c.text;
            SetField(dialog, c.label, c.valid);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_TRUE(NothingStored());
}

TEST_F(OptionsTest, ShortcutTakenByAnotherProgramIsReportedAndNothingStored)
{
    ASSERT_TRUE(SetHotkey(ShiftF5));
    ASSERT_TRUE(RegisterHotKey(other, 7, MOD_CONTROL | MOD_ALT, 'O'));
    EXPECT_FALSE(RunDialog([](HWND dialog) {
        SetField(dialog, "Width:", "900");
        SendMessageA(FieldOf(dialog, "Shortcut:"), HKM_SETHOTKEY, CtrlAltO, 0);
        EXPECT_EQ(PressOkExpectingRefusal(dialog),
                  "The shortcut Ctrl+Alt+O is already in use by another program.");
        EXPECT_EQ(GetFocus(), FieldOf(dialog, "Shortcut:"));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_TRUE(NothingStored());
    EXPECT_EQ(App.hotkey, ShiftF5);
    EXPECT_FALSE(Free(other, MOD_SHIFT, VK_F5)) << "the previous shortcut is still the host's";

    // Once free, the same choice is registered for the host window, stored, and the previous
    // one given back.
    UnregisterHotKey(other, 7);
    EXPECT_TRUE(RunDialog([](HWND dialog) {
        SendMessageA(FieldOf(dialog, "Shortcut:"), HKM_SETHOTKEY, CtrlAltO, 0);
        Click(GetDlgItem(dialog, IDOK));
    }));
    EXPECT_EQ(App.hotkey, CtrlAltO);
    EXPECT_EQ(Stored(HostSection, HotkeyKey), CtrlAltO);
    EXPECT_FALSE(Free(other, MOD_CONTROL | MOD_ALT, 'O')) << "the host holds it";
    EXPECT_TRUE(Free(other, MOD_SHIFT, VK_F5));

    char text[8];   // the shortcut's text is cut to its buffer and terminated
    FillMemory(text, sizeof text, 'x');
    HotkeyText(ShiftF5, text, 6);
    EXPECT_STREQ(text, "Shift");
    EXPECT_EQ(text[6], 'x');
}

TEST_F(OptionsTest, StartWithWindowsWritesTheQuotedPathAndRemovesIt)
{
    EXPECT_TRUE(RunDialog([](HWND dialog) {
        Click(WithText(dialog, "Start with Windows"));
        Click(GetDlgItem(dialog, IDOK));
    }));
    EXPECT_EQ(RunValue(), std::string("\"") + ProgramPath + "\"");
    EXPECT_TRUE(RunDialog([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, "Start with Windows"));
        Click(WithText(dialog, "Start with Windows"));
        Click(GetDlgItem(dialog, IDOK));
    }));
    EXPECT_EQ(RunValue(), "(none)");

    // Only a value naming this program counts, quoted as written here or bare as others may.
    SetRunValue(ProgramPath);
    EXPECT_TRUE(StartsWithWindows());
    SetRunValue("\"C:\\Program Files\\Orvel Test\\Other.exe\"");
    EXPECT_FALSE(StartsWithWindows());
}

TEST_F(OptionsTest, DryRunOnlyLogsTheRunValue)
{
    std::string log = TestFolder() + "dryrun.log";
    lstrcpynA(App.logPath, log.c_str(), MAX_PATH);
    App.dryRun = true;
    EXPECT_FALSE(SetStartWithWindows(true));
    EXPECT_EQ(RunValue(), "(none)");
    SetRunValue("\"C:\\elsewhere\\OrvelCmd.exe\"");
    EXPECT_FALSE(SetStartWithWindows(false));
    EXPECT_EQ(RunValue(), "\"C:\\elsewhere\\OrvelCmd.exe\"");
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    std::string written = std::string("would write HKEY_CURRENT_USER\\") + RunKey +
                          "\\OrvelCmd = \"" + ProgramPath + "\"";
    EXPECT_NE(text.str().find(written), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("would remove"), std::string::npos) << text.str();
}
