// What the module asks the shell for: the verb (Ctrl+Shift+Enter runs as administrator) and the
// monitor, seen through the shell spy, which answers as the test says; nothing is started.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>

namespace {

const char NotFound[] = ".Error: not found";
const ULONG PLAIN_MASK = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;

int WINAPI TwoMonitors(int index) { return index == SM_CMONITORS ? 2 : GetSystemMetrics(index); }

using LaunchRequestTest = ModuleTest;

}  // namespace

// Ctrl+Shift+Enter asks for the administrator for what starts as a program: by its extension
// (PATHEXT where set) or a name the shell finds with one. A document opens as with Enter: asked
// "runas", Windows would answer ERROR_NO_ASSOCIATION.
TEST_F(LaunchRequestTest, CtrlShiftEnterElevatesProgramsOnly)
{
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);
    const std::string folder = TestFolder();
    for (const char* name : {"tool.exe", "script.orv", "onpath.cmd", "notes.txt"})
        CloseHandle(CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    SetEnvironmentVariableA("PATHEXT", ".COM;.EXE;.BAT;.CMD;.ORV");
    char path[4096];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (folder + ";" + path).c_str());
    struct Case { std::string line; std::vector<DWORD> answers; std::vector<std::string> verbs; };
    const Case cases[] = {
        {folder + "tool.exe", {0}, {"runas"}},
        {"\"" + folder + "script.orv\" -x", {ERROR_INVALID_NAME, 0}, {"(null)", "runas"}},
        {"onpath --x", {ERROR_FILE_NOT_FOUND, 0}, {"(null)", "runas"}},
        {folder + "notes.txt", {0}, {"(null)"}},
        {"orvel-nowhere --x", {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND}, {"(null)", "(null)"}},
    };
    for (const Case& c : cases) {
        spy.Enter(c.line, c.answers, true);
        std::vector<std::string> verbs;
        for (const ShellRequest& request : spy.requests)
            verbs.push_back(request.verb);
        EXPECT_EQ(verbs, c.verbs) << c.line;
    }
    SetEnvironmentVariableA("PATH", path);
    SetEnvironmentVariableA("PATHEXT", NULL);
}

DWORD WINAPI WindowsXp() { return 0x0A280105; }  // 5.1, build 2600

// Before Vista "runas" asks for another user: Ctrl+Shift+Enter is Enter there.
TEST_F(LaunchRequestTest, BeforeVistaCtrlShiftEnterIsEnter)
{
    FARPROC* version = ImportSlot(Host.module, "kernel32.dll", "GetVersion");
    ASSERT_NE(version, nullptr);
    Patch(version, (FARPROC)WindowsXp);
    StartPlugin();
    ShellSpy spy(Host.module);
    spy.Enter("C:\\windows\\notepad.exe", {0}, true);
    ASSERT_EQ(spy.requests.size(), 1u);
    EXPECT_EQ(spy.requests[0].verb, "(null)");
}

// What the shell could not run is never taken as done: the line says why, selected, Enter on it
// brings the text back, and the history stays as it was. A refusal (the administrator's prompt)
// leaves the text itself; a program that started with a stale last error is a start.
TEST_F(LaunchRequestTest, FailuresAreShownAndNeverRecorded)
{
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);
    const std::string typed = "C:\\orvel\\report.orvdoc";
    struct Case { std::vector<DWORD> answers; bool elevated; std::string shown; };
    const Case cases[] = {
        {{ERROR_NO_ASSOCIATION}, false, ".Error: no program opens this type"},
        {{ERROR_ACCESS_DENIED}, false, ".Error: access denied"},
        {{ERROR_BAD_EXE_FORMAT}, false, ".Error: damaged or not for this Windows"},
        {{ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}, false, NotFound},
        {{ERROR_CANCELLED}, true, typed},
    };
    for (const Case& c : cases) {
        spy.Enter(typed, c.answers, c.elevated);
        ASSERT_EQ(spy.requests.size(), c.answers.size()) << c.shown;
        EXPECT_EQ(spy.requests[0].mask, PLAIN_MASK) << "one monitor: the request it always was";
        EXPECT_EQ(WindowText(InputLine()), c.shown);
        EXPECT_EQ(SendMessageA(InputLine(), EM_GETSEL, 0, 0), MAKELRESULT(0, c.shown.size()));
        EXPECT_FALSE(HistoryValueExists("0")) << c.shown;
        if (c.shown != typed) {
            spy.Enter(c.shown, {});
            EXPECT_EQ(WindowText(InputLine()), typed) << "Enter on " << c.shown;
        }
    }
    spy.Enter(typed, {STARTED | ERROR_ACCESS_DENIED});
    EXPECT_EQ(WindowText(InputLine()), "");
    EXPECT_EQ(HistoryValue("0"), typed);
    // Plain Enter, one monitor: the default verb and the request as it always was. A bare
    // program name and a document: the second request starts in the Windows folder.
    spy.Enter("orvel-tool C:\\docs\\a.txt", {ERROR_FILE_NOT_FOUND, 0});
    ASSERT_EQ(spy.requests.size(), 2u);
    for (const ShellRequest& request : spy.requests) {
        EXPECT_EQ(request.verb, "(null)");
        EXPECT_EQ(request.mask, PLAIN_MASK);
        EXPECT_EQ(request.monitor, nullptr);
    }
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(spy.requests[1].file, "orvel-tool");
    EXPECT_EQ(spy.requests[1].parameters, " C:\\docs\\a.txt");
    EXPECT_EQ(spy.requests[1].directory, windows);
}

TEST_F(LaunchRequestTest, DotCommandsWebAddressesAndFoldersIgnoreTheModifiers)
{
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);
    spy.Enter(".Recycle", {}, true);
    ASSERT_EQ(Host.commands.size(), 1u);
    EXPECT_EQ(Host.commands[0].action, 4u);
    EXPECT_TRUE(spy.requests.empty());

    // A browser that cannot start hands the address to the shell.
    SetClassesValue(".htm", "OrvelTestPage");
    SetClassesValue("OrvelTestPage\\shell\\open\\command", "\"C:\\orvel-gone\\browser.exe\" \"%1\"");
    spy.Enter("www.example.com", {}, true);
    RestoreClasses();
    ASSERT_EQ(spy.requests.size(), 1u);
    EXPECT_EQ(spy.requests[0].verb, "(null)");

    // With several monitors the folder is explored on the bar's monitor, and a program's
    // requests name it too.
    FARPROC* metrics = ImportSlot(Host.module, "user32.dll", "GetSystemMetrics");
    ASSERT_NE(metrics, nullptr);
    FARPROC realMetrics = *metrics;
    Patch(metrics, (FARPROC)TwoMonitors);
    std::string folder = TestFolder() + "some folder";
    CreateDirectoryA(folder.c_str(), NULL);
    HANDLE bars = MonitorFromWindow(BarWindow(), MONITOR_DEFAULTTONEAREST);
    spy.Enter(folder, {}, true);
    ASSERT_EQ(spy.requests.size(), 1u);
    EXPECT_EQ(spy.requests[0].verb, "explore");
    EXPECT_EQ(spy.requests[0].file, folder);
    EXPECT_EQ(spy.requests[0].monitor, bars);
    spy.Enter("orvel-tool -x", {ERROR_FILE_NOT_FOUND, 0});
    Patch(metrics, realMetrics);
    ASSERT_EQ(spy.requests.size(), 2u);
    for (const ShellRequest& request : spy.requests) {
        EXPECT_EQ(request.mask, PLAIN_MASK | SEE_MASK_HMONITOR);
        EXPECT_EQ(request.monitor, bars);
    }
}
