// The host program as a whole: one host per session, the bar reached from outside (second start,
// tray icon, shortcut), the options, a clean exit, and a start that fails as a whole.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include "harness/barpixels.h"
#include "harness/hostrun.h"
#include "harness/launch.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"
#include <commctrl.h>

namespace {

int Count(const std::vector<std::string>& lines, const std::string& text)
{
    return (int)std::count(lines.begin(), lines.end(), text);
}

// The bar, once another program had the foreground, is in front with the focus in its line.
void ExpectBarInFront(HWND bar)
{
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == bar; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(bar) == InputLineOf(bar); }, 10000));
}

// The tray menu takes the keys of the host's thread; its items are told apart by what they do.
void ChooseFromTrayMenu(const HostRun& run, std::initializer_list<WPARAM> keys)
{
    HWND hostWindow = HostWindowOf(run.program.id);
    PostMessageA(hostWindow, HOSTAPP_TRAY, 1, WM_RBUTTONUP);
    ASSERT_NE(WaitForProcessWindow(run.program.id, "#32768", 10000), nullptr);
    for (WPARAM key : keys)
        PostMessageA(hostWindow, WM_KEYDOWN, key, 0);
}

class HostProgram : public ::testing::Test {
protected:
    HostRun first = {};
    HostRun second = {};
    HWND elsewhere = NULL;
    HWND Start(const std::string& folder)
    {
        EXPECT_TRUE(StartHost(&first, folder, "--dry-run"));
        HWND bar = WaitForBar(first);
        EXPECT_NE(bar, nullptr);
        return bar;
    }
    void TearDown() override
    {
        EndProgram(&second.program);
        EndProgram(&first.program);
        if (elsewhere)
            DestroyWindow(elsewhere);
    }
};

TEST_F(HostProgram, SecondStartBringsTheFirstBarBackWithTheFocusAndEnds)
{
    std::string folder = HostFolder("second");
    // Collapsed to its button: the hand-over brings it back to its width as well.
    SetIniText(folder, "Abrivel", "Minimize", "1");
    HWND bar = Start(folder);
    ASSERT_EQ(BarWidth(bar), 24);
    elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);

    ASSERT_TRUE(StartHost(&second, folder, "--dry-run", "", "second.log"));
    EXPECT_EQ(WaitForExit(&second.program, 30000), 0u);
    EXPECT_EQ(ProcessWindows(0, "Abrivel").size(), 1u) << "no second bar";
    ExpectBarInFront(bar);
    EXPECT_GT(BarWidth(bar), 24);
}

// The icon comes back with a new taskbar; a click on it brings the bar, its menu's items do
// what they say, and Exit stops the plug-in and ends the host with 0, losing no setting.
TEST_F(HostProgram, TrayIconAndMenuReachTheBarAndExitKeepsTheSettings)
{
    std::string folder = HostFolder("tray");
    SetIniText(folder, "Abrivel", "Snap", "9");
    HWND bar = Start(folder);
    ASSERT_NE(WaitForLogLine(first, "tray icon shown"), "");
    HWND hostWindow = HostWindowOf(first.program.id);
    PostMessageA(hostWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return Count(LogLines(first), "tray icon shown") == 2; }, 10000));
    elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);
    PostMessageA(hostWindow, HOSTAPP_TRAY, 1, WM_LBUTTONUP);
    ExpectBarInFront(bar);

    ChooseFromTrayMenu(first, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_NE(WaitForLogLine(first, "start with Windows left off"), "");
    auto menuClosed = [&] { return ProcessWindows(first.program.id, "#32768").empty(); };
    ASSERT_TRUE(WaitUntil(menuClosed, 10000));

    // The bar stores its width as it changes; the exit must not lose it, nor anything else.
    RECT rect;
    GetWindowRect(bar, &rect);
    SetWindowPos(bar, NULL, 0, 0, 321, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([&] { return IniText(folder, "Abrivel", "Width") == "321"; }, 10000));
    ChooseFromTrayMenu(first, {VK_UP, VK_RETURN});
    EXPECT_EQ(WaitForExit(&first.program, 20000), 0u);
    EXPECT_EQ(IniText(folder, "Abrivel", "Width"), "321");
    EXPECT_EQ(IniText(folder, "Abrivel", "Snap"), "9");
}

// Ctrl+Alt+O in the hot-key control's form, as the options store it.
const int CtrlAltO = MAKEWORD('O', HOTKEYF_CONTROL | HOTKEYF_ALT);

TEST_F(HostProgram, StoredShortcutIsTheHostsAndBringsTheBarToTheFront)
{
    std::string folder = HostFolder("shortcut");
    SetIniText(folder, "OrvelHost", "Hotkey", std::to_string(CtrlAltO));
    HWND bar = Start(folder);
    // Registered for the session (a moment after the bar shows): another program cannot have it.
    EXPECT_TRUE(WaitUntil([] {
        bool free = RegisterHotKey(NULL, 7, MOD_CONTROL | MOD_ALT, 'O');
        if (free)
            UnregisterHotKey(NULL, 7);
        return !free;
    }, 20000));
    elsewhere = TakeForeground();
    ASSERT_EQ(GetForegroundWindow(), elsewhere);
    PostMessageA(HostWindowOf(first.program.id), WM_HOTKEY, 1,
                 MAKELPARAM(MOD_CONTROL | MOD_ALT, 'O'));
    ExpectBarInFront(bar);
}

TEST_F(HostProgram, ShortcutTakenByAnotherProgramIsReportedInABalloon)
{
    std::string folder = HostFolder("shortcuttaken");
    SetIniText(folder, "OrvelHost", "Hotkey", std::to_string(CtrlAltO));
    ASSERT_TRUE(RegisterHotKey(NULL, 7, MOD_CONTROL | MOD_ALT, 'O'));
    Start(folder);
    EXPECT_NE(WaitForLogLine(first, "balloon: The shortcut Ctrl+Alt+O is already in use"), "");
    EXPECT_TRUE(ProcessWindows(first.program.id, "#32770").empty());
    UnregisterHotKey(NULL, 7);
}

// The options dialog opens once however often it is asked for; Cancel leaves the plug-in
// running, OK starts it again with the new values once the bar's own call has returned.
TEST_F(HostProgram, OptionsDialogOpensOnceAndItsValuesRestartThePlugin)
{
    std::string folder = HostFolder("options");
    HWND bar = Start(folder);
    TypeLine(bar, ".Properties");
    HWND dialog = WaitForProcessWindow(first.program.id, "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), "OrvelCmd Options");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), bar);
    // Handled when the send returns: the open dialog comes to the front, no second one opens.
    DWORD_PTR answer;
    SendMessageTimeoutA(HostWindowOf(first.program.id), WM_COMMAND, IDM_HOST_OPTIONS, 0,
                        SMTO_NORMAL, 20000, &answer);
    EXPECT_EQ(ProcessWindows(first.program.id, "#32770").size(), 1u);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 10000));

    TypeLine(bar, ".Master");
    dialog = WaitForProcessWindow(first.program.id, "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(FieldOf(dialog, "Width:"), WM_SETTEXT, 0, (LPARAM) "250");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    HWND restarted = NULL;
    EXPECT_TRUE(WaitUntil([&] {
        restarted = WaitForProcessWindow(first.program.id, "Abrivel", 0);
        return !IsWindow(bar) && restarted;
    }, 20000));
    EXPECT_EQ(BarWidth(restarted), 250);
    EXPECT_EQ(ProcessWindows(first.program.id, "Abrivel").size(), 1u);
    EXPECT_EQ(WaitForExit(&first.program, 0), (DWORD)STILL_ACTIVE);
}

// A start that cannot complete names the file at fault and why, and leaves nothing behind: no
// bar, a non-zero exit code.
TEST_F(HostProgram, BrokenInstallationIsReportedAndNothingStarts)
{
    struct Case {
        const char* name;
        std::function<void(const std::string&)> breakIt;
        const char* file;
        const char* problem;
    };
    auto remove = [](const char* file) {
        return [file](const std::string& f) { DeleteFileA((f + file).c_str()); };
    };
    // The other build's file in place of this one's: a 64-bit host never loads a 32-bit module.
    auto otherKind = [](const char* file) {
        return [file](const std::string& f) {
            ASSERT_TRUE(CopyFileA((OtherBuildFolder() + file).c_str(), (f + file).c_str(), FALSE))
                << "the other build's " << file << " (tools/test builds both)";
        };
    };
    const char* other = sizeof(void*) == 8 ? " is a 32-bit module" : " is a 64-bit module";
    const std::string otherPlugin = std::string("OrvelCmd.plg") + other;
    const std::string otherKelvor = std::string("kelvor.dll") + other;
    const Case cases[] = {
        {"noplugin", remove("OrvelCmd.plg"), "OrvelCmd.plg", "is missing"},
        {"textplugin",
         [&](const std::string& f) {
             remove("OrvelCmd.plg")(f);
             WritePrivateProfileStringA("not", "a", "module", (f + "OrvelCmd.plg").c_str());
         },
         "OrvelCmd.plg", "damaged or not a " BUILD_KIND " Windows module"},
        {"otherdll",
         [](const std::string& f) {
             CopyFileA((f + "kelvor.dll").c_str(), (f + "OrvelCmd.plg").c_str(), FALSE);
         },
         "OrvelCmd.plg", "lacks the entry point GetPluginInfo"},
        {"nokelvor", remove("kelvor.dll"), "kelvor.dll", "is missing"},
        {"otherplugin", otherKind("OrvelCmd.plg"), "OrvelCmd.plg", otherPlugin.c_str()},
        {"otherkelvor", otherKind("kelvor.dll"), "kelvor.dll", otherKelvor.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = HostFolder(c.name);
        c.breakIt(folder);
        ASSERT_TRUE(StartHost(&first, folder, "--dry-run"));
        HWND box = WaitForProcessWindow(first.program.id, "#32770", 20000);
        ASSERT_NE(box, nullptr);
        std::string text = MessageBoxText(box);
        EXPECT_NE(Lower(text).find(Lower(folder + c.file)), std::string::npos) << text;
        EXPECT_NE(text.find(c.problem), std::string::npos) << text;
        EXPECT_EQ(WindowText(box), "OrvelCmd");
        EXPECT_TRUE(ProcessWindows(first.program.id, "Abrivel").empty());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = WaitForExit(&first.program, 20000);
        EXPECT_TRUE(code != 0 && code != STILL_ACTIVE) << code;
        EndProgram(&first.program);
    }
}

// A first host that is ending answers without taking the bar, as an ending host still answers
// sent messages; then its window goes and the lock is free.
LRESULT CALLBACK EndingHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == HOSTAPP_ACTIVATE ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI EndingHostWindow(void* gone)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = EndingHostProc;
    windowClass.lpszClassName = HostWindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, HostWindowClass, "", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL,
                                  NULL, NULL);
    MSG message;
    while (MsgWaitForMultipleObjects(1, &gone, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    DestroyWindow(window);
    UnregisterClassA(HostWindowClass, NULL);
    return 0;
}

TEST_F(HostProgram, StartWhileTheFirstHostEndsBecomesTheHost)
{
    HANDLE lock = CreateMutexA(NULL, TRUE, "Local\\OrvelCmd.Host");
    ASSERT_NE(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "a host runs already";
    HANDLE gone = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE thread = CreateThread(NULL, 0, EndingHostWindow, gone, 0, NULL);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA(HostWindowClass, NULL) != NULL; }, 10000));
    ASSERT_TRUE(StartHost(&first, HostFolder("ending"), "--dry-run"));
    EXPECT_NE(WaitForLogLine(first, "the first host is ending", 120000), "");
    SetEvent(gone);
    WaitForSingleObject(thread, INFINITE);
    ReleaseMutex(lock);
    EXPECT_NE(WaitForBar(first), nullptr);
    for (HANDLE handle : {lock, thread, gone})
        CloseHandle(handle);
}

// Terminal-server aware: on a server with Remote Desktop the program sees the real Windows folder.
TEST(HostProgramFile, IsTerminalServerAware)
{
    std::string image = ReadFileText(BinFolder() + "OrvelCmd.exe");
    ASSERT_GT(image.size(), 0x400u);
    auto headers = (const IMAGE_NT_HEADERS32*)(image.data() + *(const LONG*)(image.data() + 0x3C));
    EXPECT_TRUE(headers->OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
}

// A first host that died holding the lock, with no window left: the lock is abandoned.
DWORD WINAPI DieHoldingTheLock(void* lock)
{
    *(HANDLE*)lock = CreateMutexA(NULL, TRUE, "Local\\OrvelCmd.Host");
    return 0;
}

TEST_F(HostProgram, StartAfterAHostDiedHoldingTheLockTakesTheSessionAtOnce)
{
    HANDLE abandoned = NULL;
    HANDLE thread = CreateThread(NULL, 0, DieHoldingTheLock, &abandoned, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    ASSERT_NE(abandoned, nullptr);
    HANDLE mutex = NULL;
    EXPECT_EQ(ClaimSession(&mutex), SESSION_OWNED);
    EXPECT_NE(mutex, nullptr) << "the lock is this host's";
    ReleaseSession(mutex);
    CloseHandle(abandoned);
}

// "--exit" ends the host as its Exit does; with none running it says so in a box.
TEST_F(HostProgram, ExitFromTheCommandLine)
{
    std::string folder = HostFolder("exit");
    HWND bar = Start(folder);
    const std::string exitLine = "\"" + folder + "OrvelCmd.exe\" --exit";
    ASSERT_TRUE(StartProgram(exitLine, folder, &second.program));
    EXPECT_EQ(WaitForExit(&second.program, 60000), 0u);
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(WaitForExit(&first.program, 20000), 0u);

    EndProgram(&second.program);
    ASSERT_TRUE(StartProgram(exitLine, folder, &second.program));
    HWND box = WaitForProcessWindow(second.program.id, "#32770", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(MessageBoxText(box).find("does not run in this session"), std::string::npos);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForExit(&second.program, 20000), 1u);
}

// The restart manager's requests, in its order: asked, the host agrees and runs on; a cancelled
// end changes nothing; told that it ends, it ends as its Exit does. Quiet, the installer's
// --exit shows no box when no host runs.
TEST_F(HostProgram, EndsWhenTheRestartManagerClosesIt)
{
    std::string folder = HostFolder("endsession");
    HWND bar = Start(folder);
    HWND host = HostWindowOf(first.program.id);
    EXPECT_EQ(SendMessageA(host, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    SendMessageA(host, WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(WaitForExit(&first.program, 2000), (DWORD)STILL_ACTIVE);
    EXPECT_TRUE(IsWindow(bar));
    SendMessageA(host, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(WaitForExit(&first.program, 20000), 0u);
    EXPECT_FALSE(IsWindow(bar));

    ASSERT_TRUE(StartProgram("\"" + folder + "OrvelCmd.exe\" --exit --quiet", folder,
                             &second.program));
    EXPECT_EQ(WaitForExit(&second.program, 60000), 0u);
}

}  // namespace
