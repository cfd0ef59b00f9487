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

TEST_F(LaunchRequestTest, CtrlShiftEnterAsksForTheAdministratorAndARefusalIsNoFailure)
{
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);
    spy.Enter("orvel-tool --x", {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND}, true);
    ASSERT_EQ(spy.requests.size(), 2u);
    EXPECT_EQ(spy.requests[0].verb, "runas");
    EXPECT_EQ(spy.requests[0].file, "\"orvel-tool --x\"");
    EXPECT_EQ(spy.requests[1].verb, "runas");
    EXPECT_EQ(spy.requests[1].file, "orvel-tool");
    EXPECT_EQ(WindowText(InputLine()), NotFound);

    spy.Enter("orvel-admin-tool", {ERROR_CANCELLED}, true);
    EXPECT_EQ(spy.requests.size(), 1u) << "a refusal is not \"not found\": no second attempt";
    EXPECT_EQ(WindowText(InputLine()), "orvel-admin-tool");
    EXPECT_FALSE(HistoryValueExists("0"));
    spy.Enter(NotFound, {});
    EXPECT_EQ(WindowText(InputLine()), "orvel-tool --x") << "the failed command is the one before";

    // Without the modifiers the same answer is no refusal: the shell took the line.
    spy.Enter("orvel-admin-tool", {ERROR_CANCELLED});
    EXPECT_EQ(WindowText(InputLine()), "");
    EXPECT_EQ(HistoryValue("0"), "orvel-admin-tool");
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
