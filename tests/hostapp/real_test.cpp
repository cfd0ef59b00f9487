// The few requests whose real effect stays inside the throwaway prefix and display: carried out
// for real here, without --dry-run.
#include <gtest/gtest.h>
#include "harness/hostrun.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"

namespace {

void RemoveRunValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "OrvelCmd");
        RegCloseKey(key);
    }
}

class RealEffects : public ::testing::Test {
protected:
    HostRun host = {};
    HWND bar = NULL;
    void Start(const char* name, const char* switches)
    {
        ASSERT_TRUE(StartHost(&host, HostFolder(name), switches));
        bar = WaitForBar(host);
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override
    {
        EndProgram(&host.program);
        RemoveRunValue();
    }
};

TEST_F(RealEffects, ControlPanelOpens)
{
    Start("cpanel", "");
    TypeLine(bar, ".CPanel");
    HWND panel = NULL;
    EXPECT_TRUE(WaitUntil([&] {
        return (panel = FindWindowA("Shell_Control_WndClass", NULL)) != NULL;
    }, 30000));
    if (panel) {
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(panel); }, 10000));
    }
}

TEST_F(RealEffects, DesktopMinimisesOtherProgramsWindowsButNotTheBar)
{
    Start("desktop", "");
    HWND window = TakeForeground();
    TypeLine(bar, ".Desktop");
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 20000));
    EXPECT_FALSE(IsIconic(bar));
    EXPECT_TRUE(IsWindowVisible(bar));
    DestroyWindow(window);
}

TEST_F(RealEffects, StartWithWindowsIsWrittenAndRemovedButNotInDryRun)
{
    RemoveRunValue();
    Start("startup", "");
    HWND hostWindow = HostWindowOf(host.program.id);
    PostMessageA(hostWindow, WM_COMMAND, IDM_HOST_STARTWITHWINDOWS, 0);
    EXPECT_TRUE(WaitUntil([&] { return RunValue() != "(none)"; }, 10000));
    EXPECT_EQ(RunValue(), "\"" + host.folder + "OrvelCmd.exe\"");
    PostMessageA(hostWindow, WM_COMMAND, IDM_HOST_STARTWITHWINDOWS, 0);
    EXPECT_TRUE(WaitUntil([&] { return RunValue() == "(none)"; }, 10000));
    EndProgram(&host.program);

    Start("startupdry", "--dry-run");
    PostMessageA(HostWindowOf(host.program.id), WM_COMMAND, IDM_HOST_STARTWITHWINDOWS, 0);
    EXPECT_NE(WaitForLogLine(host, "start with Windows left off"), "");
    EXPECT_EQ(RunValue(), "(none)");
}

// Where Windows says it is 10, the Settings page is tried first; Wine has none, and the control
// panel opens instead without the shell's error box.
TEST_F(RealEffects, SettingsPageFallsBackToTheControlPanel)
{
    const char key[] = "Software\\Wine\\AppDefaults\\OrvelCmd.exe";
    HKEY appKey;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, key, &appKey), ERROR_SUCCESS);
    RegSetValueExA(appKey, "Version", 0, REG_SZ, (const BYTE*)"win10", 6);
    RegCloseKey(appKey);
    Start("win10", "");
    TypeLine(bar, ".Screen");
    std::string line = WaitForLogLine(host, "Screen: ", 30000);
    EXPECT_NE(line.find("control.exe"), std::string::npos) << line;
    EXPECT_NE(line.find("ms-settings:display failed"), std::string::npos) << line;
    PumpMessages(2000);
    EXPECT_TRUE(ProcessWindows(host.program.id, "#32770").empty());
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

}  // namespace
