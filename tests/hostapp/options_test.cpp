// The host program's options dialog, driven as a user would (fields found by their labels,
// values typed, OK or Cancel pressed), then the configuration, the registry and the system's
// hot keys read back.
#include "harness/format.h"
#include "harness/hostrun.h"
#include "harness/launch.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"
#include "kelvor/hooks.h"
#include <commctrl.h>
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

// Opens the dialog with the host's rows and runs action on it once it shows; the result is the
// dialog's.
bool RunDialog(const std::function<void(HWND)>& action, const OptionRow* hostRows = HostOptions,
               int hostRowCount = HostOptionCount)
{
    UINT_PTR guard = 0;
    WhenWindowAppears("#32770", [&](HWND dialog) {
        EXPECT_EQ(App.optionsDialog, dialog);
        action(dialog);
        leftOpen = dialog;
        guard = SetTimer(NULL, 0, 3000, CloseLeftOpen);
    });
    bool result = RunOptionsDialog(Host.mainWindow, hostRows, hostRowCount);
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

// A field for each row of the plug-in's table as the host gets it, then the host's own rows.
TEST_F(OptionsTest, ControlsFollowTheOptionsTables)
{
    EXPECT_FALSE(RunDialog([](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "OrvelCmd Options");
        std::vector<HWND> order;   // Tab goes through the rows in the tables' order
        for (int i = 0; i < App.info->optionCount; i++) {
            const OptionDescriptor& option = App.info->options[i];
            std::string label = std::string(option.caption) + ":";
            HWND field = (option.kind & 0xFF) == 0x01 ? WithText(dialog, option.caption)
                                                       : FieldOf(dialog, label.c_str());
            order.push_back(field);
            SCOPED_TRACE(option.caption);
            HWND upDown = GetWindow(field, GW_HWNDNEXT);
            int low = -1, high = -1;
            switch (option.kind & 0xFF) {
            case 0x01:
                EXPECT_EQ(GetWindowLongA(field, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
                break;
            case 0x03:
                EXPECT_EQ((HWND)SendMessageA(upDown, UDM_GETBUDDY, 0, 0), field);
                SendMessageA(upDown, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
                EXPECT_EQ(low, option.minimum);
                EXPECT_EQ(high, option.maximum);
                break;
            case 0x0B:
                EXPECT_EQ(ClassOf(field), TRACKBAR_CLASSA);
                EXPECT_EQ(SendMessageA(field, TBM_GETRANGEMIN, 0, 0), 0);
                EXPECT_EQ(SendMessageA(field, TBM_GETRANGEMAX, 0, 0), option.maximum);
                break;
            default:
                // Positions may be negative (a display left of the main one): plain boxes.
                EXPECT_EQ(ClassOf(field), "Edit");
                EXPECT_FALSE(GetWindowLongA(field, GWL_STYLE) & ES_NUMBER);
            }
        }
        order.push_back(FieldOf(dialog, "Shortcut:"));
        EXPECT_EQ(ClassOf(order.back()), HOTKEY_CLASSA);
        order.push_back(WithText(dialog, "Start with Windows"));
        order.push_back(GetDlgItem(dialog, IDOK));
        order.push_back(GetDlgItem(dialog, IDCANCEL));
        for (size_t i = 1; i < order.size(); i++)
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
    std::string text = ReadFileText(log);
    std::string written = std::string("would write HKEY_CURRENT_USER\\") + RunKey +
                          "\\OrvelCmd = \"" + ProgramPath + "\"";
    EXPECT_NE(text.find(written), std::string::npos) << text;
    EXPECT_NE(text.find("would remove"), std::string::npos) << text;
}

// A host option is a row and its effect: a check box on where nothing is stored, and a choice of
// three; what the user changed is stored in the host's section and shown the next time.
TEST_F(OptionsTest, ACheckBoxAndAChoiceAreARowEach)
{
    const OptionRow rows[] = {
        {"Find as you type", ROW_CHECK, "TestFind", 1},
        {"Look", ROW_CHOICE, "TestLook", 0, 0, 0, "As Windows\0Light\0Dark\0"},
    };
    EXPECT_TRUE(RunDialog([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, "Find as you type"));
        HWND look = FieldOf(dialog, "Look:");
        EXPECT_EQ(SendMessageA(look, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(WindowText(look), "As Windows");
        Click(WithText(dialog, "Find as you type"));
        SendMessageA(look, CB_SETCURSEL, 2, 0);
        Click(GetDlgItem(dialog, IDOK));
    }, rows, 2));
    EXPECT_EQ(Stored(HostSection, "TestFind"), 0);
    EXPECT_EQ(Stored(HostSection, "TestLook"), 2);
    EXPECT_EQ(Stored("Abrivel", "Width"), -999) << "an unchanged row is not written";
    EXPECT_FALSE(RunDialog([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, "Find as you type"));
        EXPECT_EQ(WindowText(FieldOf(dialog, "Look:")), "Dark");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }, rows, 2));
}
