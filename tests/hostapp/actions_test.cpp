// Requests of the bar, typed into the real bar of a running host in dry run, reach the host as
// the bar sends them and are only logged; the host's own boxes still show. Where each request
// leads is resolve_test's.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "harness/hostrun.h"
#include "harness/testhost.h"
#include "hostapp/hostapp.h"
#include "res/version.h"

namespace {

HostRun host;
HWND bar;

std::string FolderPath(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Typed once the line is empty, that is once the bar is done with the command before: a new
// text set earlier would be overwritten when the bar empties its line.
std::string Type(const char* line, const std::string& part)
{
    WaitUntil([] { return WindowText(InputLineOf(bar)).empty(); }, 10000);
    size_t before = LogLines(host).size();
    TypeLine(bar, line);
    return WaitForLogLine(host, part, 20000, before);
}

class HostActions : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(StartHost(&host, HostFolder("actions"), "--dry-run"));
        bar = WaitForBar(host);
    }
    static void TearDownTestSuite() { EndProgram(&host.program); }
    void SetUp() override { ASSERT_NE(bar, nullptr) << "the host showed no bar"; }
};

TEST_F(HostActions, RequestsArriveSentOrPostedAndAreOnlyLogged)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(Type(".CPanel", "action 59 CPanel: "),
              "action 59 CPanel: open " + std::string(system) + "\\control.exe (dry run)");
    EXPECT_NE(Type(".SetupClock", "0x7FEC SetupClock (").find("(posted)"), std::string::npos);
    EXPECT_NE(Type(".CPanel", "0x7FF1 host command (").find("(sent)"), std::string::npos);
}

// Shutting down and logging off ask nothing in dry run, showing the desktop minimises nothing
// and the recent documents stay; the theme tool the bar runs itself is not shipped, which harms
// nothing: no box stands in the way of the next command.
TEST_F(HostActions, SessionActionsChangeNothingInDryRunAndShowNoBox)
{
    HWND window = TakeForeground();
    char document[MAX_PATH];
    lstrcpynA(document, (host.folder + "OrvelCmd.ini").c_str(), MAX_PATH);
    SHAddToRecentDocs(SHARD_PATHA, document);
    std::string shortcut = FolderPath(CSIDL_RECENT) + "\\OrvelCmd.ini.lnk";
    auto recorded = [&] { return GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES; };
    ASSERT_TRUE(WaitUntil(recorded, 5000));

    for (const char* line : {".ShutDown", ".Logoff", ".Desktop", ".ClearRecent"})
        EXPECT_NE(Type(line, " (dry run)"), "") << line;
    TypeLine(bar, ".Theme");
    EXPECT_NE(Type(".CPanel", "action 59 CPanel: "), "");
    PumpMessages(0);
    EXPECT_TRUE(ProcessWindows(host.program.id, "#32770").empty());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(recorded());
    DestroyWindow(window);
    DeleteFileA(shortcut.c_str());
}

TEST_F(HostActions, AboutBoxShowsTheAboutTextAndTheVersion)
{
    TypeLine(bar, ".About");
    HWND box = WaitForProcessWindow(host.program.id, "#32770", 20000);
    ASSERT_NE(box, nullptr);
    std::string text = MessageBoxText(box);
    EXPECT_NE(text.find("Type \".help\" for command list"), std::string::npos) << text;
    EXPECT_NE(text.find("OrvelCmd.exe version " ORVEL_VERSION_TEXT), std::string::npos) << text;
    EXPECT_EQ(WindowText(box), "About OrvelCmd");
    // Owned by the bar, which is topmost: the box is not hidden behind it.
    EXPECT_EQ(GetWindow(box, GW_OWNER), bar);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10000));
}

TEST_F(HostActions, UnknownPrivateMessageIsLoggedAndIgnored)
{
    HWND hostWindow = HostWindowOf(host.program.id);
    ASSERT_NE(hostWindow, nullptr);
    size_t before = LogLines(host).size();
    PostMessageA(hostWindow, 0x7F00, 1, 2);
    EXPECT_EQ(WaitForLogLine(host, "0x7F00", 20000, before),
              "0x7F00 unknown private message (posted): wParam 0x1, lParam 0x2: ignored");
}

void CALLBACK Answered(HWND, UINT, ULONG_PTR, LRESULT) {}

// Another program's requests with pointers into nowhere, however they are sent: the host reads
// none of them, opens nothing and stays alive, and the bar's own requests still count.
TEST_F(HostActions, PointersFromAnotherProgramAreIgnored)
{
    HWND hostWindow = HostWindowOf(host.program.id);
    ASSERT_NE(hostWindow, nullptr);
    size_t before = LogLines(host).size();
    void (*const ways[])(HWND, UINT) = {
        [](HWND w, UINT m) {
            DWORD_PTR answer;
            SendMessageTimeoutA(w, m, 0, 0x1234, SMTO_NORMAL, 10000, &answer);
        },
        [](HWND w, UINT m) { PostMessageA(w, m, 0, 0x1234); },
        [](HWND w, UINT m) { SendNotifyMessageA(w, m, 0, 0x1234); },
        [](HWND w, UINT m) { SendMessageCallbackA(w, m, 0, 0x1234, Answered, 0); },
    };
    for (UINT message : {HOSTMSG_COMMAND, HOSTMSG_PROPERTIES})
        for (auto send : ways)
            send(hostWindow, message);
    int ignored = 0;
    EXPECT_TRUE(WaitUntil([&] {
        std::vector<std::string> lines = LogLines(host);
        ignored = 0;
        for (size_t i = before; i < lines.size(); i++)
            ignored += lines[i].find(" from another thread or posted: ignored") != std::string::npos;
        return ignored == 8;
    }, 20000)) << ignored << " of 8 ignored";
    EXPECT_EQ(WaitForExit(&host.program, 0), (DWORD)STILL_ACTIVE);
    EXPECT_TRUE(ProcessWindows(host.program.id, "#32770").empty());
    EXPECT_NE(Type(".CPanel", "action 59 CPanel: "), "") << "the bar's own requests still count";

    // Also those the bar makes while it handles a message another program sent it: the bar
    // menu's "Run" (98), sent from here.
    WaitUntil([] { return WindowText(InputLineOf(bar)).empty(); }, 10000);
    before = LogLines(host).size();
    SendMessageA(InputLineOf(bar), WM_SETTEXT, 0, (LPARAM) ".CPanel");
    DWORD_PTR answer;
    SendMessageTimeoutA(bar, WM_COMMAND, 98, 0, SMTO_NORMAL, 20000, &answer);
    EXPECT_NE(WaitForLogLine(host, "0x7FF1 host command (sent): action 59", 20000, before), "");
}

}  // namespace
