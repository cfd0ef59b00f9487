// What the module asks the shell for: the verb (Ctrl+Shift+Enter runs as administrator) and the
// monitor, seen through the shell spy, which answers as the test says; nothing is started.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>
#include <memory>

namespace {

const char NotFound[] = ".Error: not found";
const ULONG PLAIN_MASK = SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;

int WINAPI TwoMonitors(int index) { return index == SM_CMONITORS ? 2 : GetSystemMetrics(index); }

class LaunchRequestTest : public ModuleTest {
protected:
    std::unique_ptr<ShellSpy> spy;
    void SetUp() override
    {
        ModuleTest::SetUp();
        SetConfigInt("AutoComplete", 0);
        StartPlugin();
        spy.reset(new ShellSpy(Host.module));
        ASSERT_NE(spy->slot, nullptr);
    }
    void TearDown() override
    {
        spy.reset();
        RestoreClasses();
        ModuleTest::TearDown();
    }
    // Control and Shift held, as GetKeyState sees them on this thread, while Return goes down.
    void Enter(const std::string& text, bool elevated, std::vector<DWORD> answers)
    {
        spy->requests.clear();
        spy->answers = answers;
        Host.commands.clear();
        SetInputText(text.c_str());
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_SHIFT] = elevated ? 0x80 : 0;
        SetKeyboardState(keys);
        PressKey(InputLine(), VK_RETURN);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    std::vector<ShellRequest>& Requests() { return spy->requests; }
};

}  // namespace

TEST_F(LaunchRequestTest, CtrlShiftEnterAsksForTheAdministratorOnBothAttempts)
{
    Enter("orvel-tool --x", true, {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    ASSERT_EQ(Requests().size(), 2u);
    EXPECT_EQ(Requests()[0].verb, "runas");
    EXPECT_EQ(Requests()[0].file, "\"orvel-tool --x\"");
    EXPECT_EQ(Requests()[1].verb, "runas");
    EXPECT_EQ(Requests()[1].file, "orvel-tool");
    EXPECT_EQ(WindowText(InputLine()), NotFound);

    // Plain Enter, one monitor: the default verb and the request as it always was.
    Enter("orvel-tool --x", false, {ERROR_FILE_NOT_FOUND, 0});
    ASSERT_EQ(Requests().size(), 2u);
    for (const ShellRequest& request : Requests()) {
        EXPECT_EQ(request.verb, "(null)");
        EXPECT_EQ(request.mask, PLAIN_MASK);
        EXPECT_EQ(request.monitor, nullptr);
    }
    EXPECT_EQ(HistoryValue("0"), "orvel-tool --x");
}

TEST_F(LaunchRequestTest, RefusedElevationKeepsTheLineTheHistoryAndTheFailedCommand)
{
    Enter("orvel-missing", false, {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    Enter("orvel-admin-tool", true, {ERROR_CANCELLED});
    EXPECT_EQ(Requests().size(), 1u) << "a refusal is not \"not found\": no second attempt";
    EXPECT_EQ(WindowText(InputLine()), "orvel-admin-tool");
    DWORD start = 1, end = 0;
    SendMessageA(InputLine(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 16u) << "left selected for another try";
    EXPECT_FALSE(HistoryValueExists("0"));
    Enter(NotFound, false, {});
    EXPECT_EQ(WindowText(InputLine()), "orvel-missing") << "the failed command is the one before";

    // Without the modifiers the same answer is no refusal: the shell took the line.
    Enter("orvel-admin-tool", false, {ERROR_CANCELLED});
    EXPECT_EQ(WindowText(InputLine()), "");
    EXPECT_EQ(HistoryValue("0"), "orvel-admin-tool");
}

TEST_F(LaunchRequestTest, DotCommandsWebAddressesAndFoldersIgnoreTheModifiers)
{
    Enter(".Recycle", true, {});
    ASSERT_EQ(Host.commands.size(), 1u);
    EXPECT_EQ(Host.commands[0].action, 4u);
    EXPECT_TRUE(Requests().empty());

    // A browser that cannot start hands the address to the shell.
    SetClassesValue(".htm", "OrvelTestPage");
    SetClassesValue("OrvelTestPage\\shell\\open\\command", "\"C:\\orvel-gone\\browser.exe\" \"%1\"");
    Enter("www.example.com", true, {});
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].verb, "(null)");

    // With several monitors the folder goes through the spy, explored on the bar's monitor.
    FARPROC* metrics = ImportSlot(Host.module, "user32.dll", "GetSystemMetrics");
    ASSERT_NE(metrics, nullptr);
    FARPROC realMetrics = *metrics;
    Patch(metrics, (FARPROC)TwoMonitors);
    std::string folder = TestFolder() + "some folder";
    CreateDirectoryA(folder.c_str(), NULL);
    HANDLE bars = MonitorFromWindow(BarWindow(), MONITOR_DEFAULTTONEAREST);
    Enter(folder, true, {});
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].verb, "explore");
    EXPECT_EQ(Requests()[0].file, folder);
    EXPECT_EQ(Requests()[0].monitor, bars);
    // A program's requests name it too.
    Enter("orvel-tool -x", false, {ERROR_FILE_NOT_FOUND, 0});
    Patch(metrics, realMetrics);
    ASSERT_EQ(Requests().size(), 2u);
    for (const ShellRequest& request : Requests()) {
        EXPECT_EQ(request.mask, PLAIN_MASK | SEE_MASK_HMONITOR);
        EXPECT_EQ(request.monitor, bars);
    }
}
