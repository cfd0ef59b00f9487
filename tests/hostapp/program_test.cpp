// The host program as a whole: one host per session, reaching the bar from outside, a clean
// exit, and a start that fails as a whole with a message that names the file at fault.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include "hostrun.h"
#include <commctrl.h>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

int BarWidth(HWND bar)
{
    RECT rect = {};
    GetWindowRect(bar, &rect);
    return rect.right - rect.left;
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info);
    return info.hwndFocus;
}

// A window of the test's own takes the foreground, as another program would.
HWND TakeForeground()
{
    HWND window = CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  300, 300, 200, 100, NULL, NULL, NULL, NULL);
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, 10000);
    return window;
}

class HostProgram : public ::testing::Test {
protected:
    HostRun first = {};
    HostRun second = {};
    void TearDown() override
    {
        EndProgram(&second.program);
        EndProgram(&first.program);
    }
};

TEST_F(HostProgram, SecondStartBringsTheFirstBarBackWithTheFocusAndEnds)
{
    std::string folder = HostFolder("second");
    // Collapsed to its button: the hand-over brings it back to its width as well.
    WritePrivateProfileStringA("Abrivel", "Minimize", "1", (folder + "OrvelCmd.ini").c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, (folder + "OrvelCmd.ini").c_str());
    ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
    HWND bar = WaitForBar(first);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(BarWidth(bar), 24);
    HWND elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);

    ASSERT_TRUE(StartHost(&second, folder, "--dry-run", "", "second.log"));
    EXPECT_EQ(WaitForExit(&second.program, 30000), 0u);
    // It never started a plug-in of its own.
    EXPECT_EQ(WaitForLogLine(second, "bar window", 0), "");
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == bar; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(bar) == InputLineOf(bar); }, 10000));
    EXPECT_GT(BarWidth(bar), 24);
    EXPECT_NE(WaitForLogLine(second, "a host runs already"), "");
    DestroyWindow(elsewhere);
}

int Count(const std::vector<std::string>& lines, const std::string& text)
{
    return (int)std::count(lines.begin(), lines.end(), text);
}

// The icon is put back when the taskbar starts again, and a click on it reaches the bar.
TEST_F(HostProgram, TrayIconReturnsWithTheTaskbarAndItsClickBringsTheBarToTheFront)
{
    ASSERT_TRUE(StartHost(&first, HostFolder("tray"), "--dry-run"));
    HWND bar = WaitForBar(first);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(WaitForLogLine(first, "tray icon shown"), "");
    PostMessageA(HostWindowOf(first.program.id), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return Count(LogLines(first), "tray icon shown") == 2; }, 10000));
    HWND elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);
    PostMessageA(HostWindowOf(first.program.id), HOSTAPP_TRAY, 1, WM_LBUTTONUP);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == bar; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(bar) == InputLineOf(bar); }, 10000));
    DestroyWindow(elsewhere);
}

// The menu takes the keys of the host's thread; its items are told apart by what they do.
void ChooseFromTrayMenu(const HostRun& run, std::initializer_list<WPARAM> keys)
{
    HWND hostWindow = HostWindowOf(run.program.id);
    PostMessageA(hostWindow, HOSTAPP_TRAY, 1, WM_RBUTTONUP);
    ASSERT_NE(WaitForProcessWindow(run.program.id, "#32768", 10000), nullptr);
    for (WPARAM key : keys)
        PostMessageA(hostWindow, WM_KEYDOWN, key, 0);
}

TEST_F(HostProgram, TrayMenuOffersStartWithWindowsAndExit)
{
    ASSERT_TRUE(StartHost(&first, HostFolder("traymenu"), "--dry-run"));
    ASSERT_NE(WaitForBar(first), nullptr);
    ChooseFromTrayMenu(first, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_NE(WaitForLogLine(first, "start with Windows left off"), "");
    EXPECT_TRUE(WaitUntil([&] { return ProcessWindows(first.program.id, "#32768").empty(); }, 10000));
    ChooseFromTrayMenu(first, {VK_UP, VK_RETURN});
    EXPECT_EQ(WaitForExit(&first.program, 20000), 0u);
}

TEST_F(HostProgram, ExitStopsThePluginEndsWithZeroAndKeepsTheSettings)
{
    std::string folder = HostFolder("exit");
    std::string ini = folder + "OrvelCmd.ini";
    WritePrivateProfileStringA("Abrivel", "Snap", "9", ini.c_str());
    WritePrivateProfileStringA("OrvelHost", "Hotkey", "0", ini.c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, ini.c_str());
    ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
    HWND bar = WaitForBar(first);
    ASSERT_NE(bar, nullptr);
    // The bar stores its width as it changes; the exit must not lose it, nor anything else.
    RECT rect;
    GetWindowRect(bar, &rect);
    SetWindowPos(bar, NULL, 0, 0, 321, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([&] { return IniValue(folder, "Abrivel", "Width") == "321"; }, 10000));

    PostMessageA(HostWindowOf(first.program.id), WM_COMMAND, IDM_HOST_EXIT, 0);
    EXPECT_EQ(WaitForExit(&first.program, 20000), 0u);
    EXPECT_NE(WaitForLogLine(first, "plug-in stopped", 0), "");
    EXPECT_EQ(IniValue(folder, "Abrivel", "Width"), "321");
    EXPECT_EQ(IniValue(folder, "Abrivel", "Snap"), "9");
    EXPECT_EQ(IniValue(folder, "OrvelHost", "Hotkey"), "0");
}

// Ctrl+Alt+O in the hot-key control's form, as the options store it.
const WORD CtrlAltO = MAKEWORD('O', HOTKEYF_CONTROL | HOTKEYF_ALT);

void StoreHotkey(const std::string& folder, WORD hotkey)
{
    std::string ini = folder + "OrvelCmd.ini";
    WritePrivateProfileStringA("OrvelHost", "Hotkey", std::to_string(hotkey).c_str(), ini.c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, ini.c_str());
}

TEST_F(HostProgram, StoredShortcutIsTheHostsAndBringsTheBarToTheFront)
{
    std::string folder = HostFolder("shortcut");
    StoreHotkey(folder, CtrlAltO);
    ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
    HWND bar = WaitForBar(first);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(WaitForLogLine(first, "shortcut Ctrl+Alt+O registered"), "");
    // Registered for the session: another program cannot have it now.
    EXPECT_FALSE(RegisterHotKey(NULL, 7, MOD_CONTROL | MOD_ALT, 'O'));
    HWND elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);
    PostMessageA(HostWindowOf(first.program.id), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'O'));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == bar; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(bar) == InputLineOf(bar); }, 10000));
    DestroyWindow(elsewhere);
}

TEST_F(HostProgram, ShortcutTakenByAnotherProgramIsReported)
{
    std::string folder = HostFolder("shortcuttaken");
    StoreHotkey(folder, CtrlAltO);
    ASSERT_TRUE(RegisterHotKey(NULL, 7, MOD_CONTROL | MOD_ALT, 'O'));
    ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
    ASSERT_NE(WaitForBar(first), nullptr);
    std::string notice = WaitForLogLine(first, "The shortcut Ctrl+Alt+O is already in use");
    EXPECT_NE(notice, "");
    // Told in a balloon of the tray icon, not in a box that would stop the host.
    EXPECT_EQ(notice.find("balloon: "), 0u) << notice;
    EXPECT_TRUE(ProcessWindows(first.program.id, "#32770").empty());
    UnregisterHotKey(NULL, 7);
}

HWND FieldAfterLabel(HWND dialog, const char* label)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == label)
            return GetWindow(child, GW_HWNDNEXT);
    return NULL;
}

// The options dialog opens once however often it is asked for; Cancel leaves the plug-in
// running, OK starts it again with the new values once the bar's own call has returned.
TEST_F(HostProgram, OptionsDialogOpensOnceAndItsValuesRestartThePlugin)
{
    std::string folder = HostFolder("options");
    ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
    HWND bar = WaitForBar(first);
    ASSERT_NE(bar, nullptr);
    HWND hostWindow = HostWindowOf(first.program.id);

    TypeLine(bar, ".Properties");
    HWND dialog = WaitForProcessWindow(first.program.id, "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), "OrvelCmd Options");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), bar);
    PostMessageA(hostWindow, WM_COMMAND, IDM_HOST_OPTIONS, 0);
    EXPECT_NE(WaitForLogLine(first, "the options dialog is open already"), "");
    EXPECT_EQ(ProcessWindows(first.program.id, "#32770").size(), 1u);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10000));

    TypeLine(bar, ".Master");
    dialog = WaitForProcessWindow(first.program.id, "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(FieldAfterLabel(dialog, "Width:"), WM_SETTEXT, 0, (LPARAM) "250");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    HWND restarted = NULL;
    EXPECT_TRUE(WaitUntil([&] {
        restarted = WaitForProcessWindow(first.program.id, "Abrivel", 0);
        return !IsWindow(bar) && restarted;
    }, 20000));
    EXPECT_EQ(BarWidth(restarted), 250);
    EXPECT_EQ(IniValue(folder, "Abrivel", "Width"), "250");
    std::vector<std::string> lines = LogLines(first);
    EXPECT_EQ(Count(lines, "restart of the plug-in asked (posted)"), 1);
    EXPECT_EQ(Count(lines, "plug-in stopped"), 1);
    EXPECT_EQ(WaitForExit(&first.program, 0), (DWORD)STILL_ACTIVE);
}

// A start that cannot complete tells the user which file is at fault and why, and leaves
// nothing behind: no bar, a non-zero exit code.
TEST_F(HostProgram, BrokenInstallationIsReportedAndNothingStarts)
{
    struct Case {
        const char* name;
        std::function<void(const std::string&)> breakIt;
        const char* file;
        const char* problem;
    };
    const Case cases[] = {
        {"noplugin", [](const std::string& f) { DeleteFileA((f + "OrvelCmd.plg").c_str()); },
         "OrvelCmd.plg", "is missing"},
        {"textplugin",
         [](const std::string& f) {
             HANDLE file = CreateFileA((f + "OrvelCmd.plg").c_str(), GENERIC_WRITE, 0, NULL,
                                       CREATE_ALWAYS, 0, NULL);
             DWORD written;
             WriteFile(file, "not a module\r\n", 14, &written, NULL);
             CloseHandle(file);
         },
         "OrvelCmd.plg", "damaged or not a 32-bit Windows module"},
        {"otherdll",
         [](const std::string& f) {
             CopyFileA((f + "kelvor.dll").c_str(), (f + "OrvelCmd.plg").c_str(), FALSE);
         },
         "OrvelCmd.plg", "lacks the entry point GetPluginInfo"},
        {"nokelvor", [](const std::string& f) { DeleteFileA((f + "kelvor.dll").c_str()); },
         "kelvor.dll", "is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = HostFolder(c.name);
        c.breakIt(folder);
        HostRun run = {};
        ASSERT_TRUE(StartHost(&run, folder, "--dry-run"));
        HWND box = WaitForProcessWindow(run.program.id, "#32770", 20000);
        ASSERT_NE(box, nullptr);
        std::string text = MessageBoxText(box);
        EXPECT_NE(Lower(text).find(Lower(folder + c.file)), std::string::npos) << text;
        EXPECT_NE(text.find(c.problem), std::string::npos) << text;
        EXPECT_EQ(WindowText(box), "OrvelCmd");
        EXPECT_TRUE(ProcessWindows(run.program.id, "Abrivel").empty());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = WaitForExit(&run.program, 20000);
        EXPECT_NE(code, 0u);
        EXPECT_NE(code, (DWORD)STILL_ACTIVE);
        EndProgram(&run.program);
    }
}

}  // namespace
