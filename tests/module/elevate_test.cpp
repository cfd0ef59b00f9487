// What the module asks the shell for: the verb (Ctrl+Shift+Enter runs the line as administrator)
// and the monitor. It is seen through the module's import of ShellExecuteExA, pointed at a spy
// that records the request and answers with the last-error value the test chooses; nothing is
// started.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

struct ShellRequest {
    std::string verb, file, parameters;
    ULONG mask;
    int show;
    HANDLE monitor;
};
std::vector<ShellRequest> requests;
std::vector<DWORD> answers;  // one last-error value per call; 0 when they run out

BOOL WINAPI SpyShellExecuteExA(SHELLEXECUTEINFOA* request)
{
    requests.push_back({request->lpVerb ? request->lpVerb : "(null)",
                        request->lpFile ? request->lpFile : "",
                        request->lpParameters ? request->lpParameters : "", request->fMask,
                        request->nShow, request->hMonitor});
    DWORD answer = requests.size() <= answers.size() ? answers[requests.size() - 1] : 0;
    SetLastError(answer);
    return answer == 0;
}

const char NotFound[] = ".Error: not found";

// Two monitors as the module's GetSystemMetrics reports them; everything else as it is.
int WINAPI TwoMonitors(int index)
{
    return index == SM_CMONITORS ? 2 : GetSystemMetrics(index);
}

class ElevateTest : public ModuleTest {
protected:
    FARPROC* slot = nullptr;
    FARPROC original = nullptr;

    void SetUp() override
    {
        ModuleTest::SetUp();
        SetConfigInt("AutoComplete", 0);
        StartPlugin();
        slot = ImportSlot(Host.module, "shell32.dll", "ShellExecuteExA");
        ASSERT_NE(slot, nullptr);
        original = *slot;
        Patch(slot, (FARPROC)SpyShellExecuteExA);
    }
    void TearDown() override
    {
        if (slot)
            Patch(slot, original);
        HoldModifiers(false);
        RestoreClasses();
        ModuleTest::TearDown();
    }

    // Control and Shift as the module's GetKeyState sees them on this thread.
    static void HoldModifiers(bool down)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_SHIFT] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    void Enter(const std::string& text, bool elevated, std::vector<DWORD> shellAnswers)
    {
        requests.clear();
        answers = shellAnswers;
        Host.commands.clear();
        SetInputText(text.c_str());
        HoldModifiers(elevated);
        PressKey(InputLine(), VK_RETURN);
        HoldModifiers(false);
    }
};

}  // namespace

TEST_F(ElevateTest, BothShellAttemptsAskForTheAdministrator)
{
    Enter("orvel-tool --x", true, {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].verb, "runas");
    EXPECT_EQ(requests[0].file, "\"orvel-tool --x\"");
    EXPECT_EQ(requests[1].verb, "runas");
    EXPECT_EQ(requests[1].file, "orvel-tool");
    EXPECT_EQ(requests[1].parameters, " --x");
    EXPECT_EQ(WindowText(InputLine()), NotFound);

    // Plain Enter: the default verb and, on one monitor, the request as it always was.
    Enter("orvel-tool --x", false, {ERROR_FILE_NOT_FOUND, 0});
    ASSERT_EQ(requests.size(), 2u);
    for (const ShellRequest& request : requests) {
        EXPECT_EQ(request.verb, "(null)");
        EXPECT_EQ(request.mask, (ULONG)(SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI));
        EXPECT_EQ(request.monitor, nullptr);
    }
    EXPECT_EQ(HistoryValue("0"), "orvel-tool --x");
}

TEST_F(ElevateTest, RefusedElevationKeepsTheLineTheHistoryAndTheFailedCommand)
{
    Enter("orvel-missing", false, {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    ASSERT_EQ(WindowText(InputLine()), NotFound);

    Enter("orvel-admin-tool", true, {ERROR_CANCELLED});
    EXPECT_EQ(requests.size(), 1u) << "a refusal is not \"not found\": no second attempt";
    EXPECT_EQ(WindowText(InputLine()), "orvel-admin-tool");
    DWORD start = 1, end = 0;
    SendMessageA(InputLine(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 16u) << "left selected for another try";
    EXPECT_FALSE(HistoryValueExists("0"));

    // The failed command is still the one before.
    Enter(NotFound, false, {});
    EXPECT_EQ(WindowText(InputLine()), "orvel-missing");

    // Without the modifiers the same answer is not a refusal: the shell took the line.
    Enter("orvel-admin-tool", false, {ERROR_CANCELLED});
    EXPECT_EQ(WindowText(InputLine()), "");
    EXPECT_EQ(HistoryValue("0"), "orvel-admin-tool");
}

TEST_F(ElevateTest, DotCommandsAndWebAddressesIgnoreTheModifiers)
{
    Enter(".Recycle", true, {});
    ASSERT_EQ(Host.commands.size(), 1u);
    EXPECT_EQ(Host.commands[0].action, 4u);
    EXPECT_TRUE(requests.empty());

    // A browser that cannot start hands the address to the shell, as the user.
    SetClassesValue(".htm", "OrvelTestPage");
    SetClassesValue("OrvelTestPage\\shell\\open\\command",
                    "\"" + TestFolder() + "gone\\nobrowser.exe\" \"%1\"");
    Enter("www.example.com", true, {});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].verb, "(null)");
    EXPECT_EQ(requests[0].file, "\"www.example.com\"");
}

TEST_F(ElevateTest, WithSeveralMonitorsTheRequestNamesTheBarsMonitor)
{
    FARPROC* metrics = ImportSlot(Host.module, "user32.dll", "GetSystemMetrics");
    ASSERT_NE(metrics, nullptr);
    FARPROC realMetrics = *metrics;
    Patch(metrics, (FARPROC)TwoMonitors);
    std::string folder = TestFolder() + "some folder";
    CreateDirectoryA(folder.c_str(), NULL);
    Enter("orvel-tool -x", false, {ERROR_FILE_NOT_FOUND, 0});
    std::vector<ShellRequest> program = requests;
    Enter(folder, true, {});
    Patch(metrics, realMetrics);

    HMONITOR bars = MonitorFromWindow(BarWindow(), MONITOR_DEFAULTTONEAREST);
    ASSERT_EQ(program.size(), 2u);
    for (const ShellRequest& request : program) {
        EXPECT_EQ(request.mask, (ULONG)(SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI | SEE_MASK_HMONITOR));
        EXPECT_EQ(request.monitor, (HANDLE)bars);
    }
    // A folder is explored on that monitor too, as the user whatever the modifiers.
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].verb, "explore");
    EXPECT_EQ(requests[0].file, folder);
    EXPECT_EQ(requests[0].mask, (ULONG)SEE_MASK_HMONITOR);
    EXPECT_EQ(requests[0].monitor, (HANDLE)bars);
    EXPECT_EQ(requests[0].show, SW_SHOWNORMAL);
    EXPECT_EQ(HistoryValue("1"), folder);
}
