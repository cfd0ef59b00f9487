// Every request of the bar, typed into the real bar of a running host in dry run, resolves to the
// Windows place it names; the host's own boxes still show, and nothing else is carried out.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "hostrun.h"
#include "res/version.h"

namespace {

HostRun host;
HWND bar;

std::string SystemProgram(const char* name)
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

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

TEST_F(HostActions, ShellFoldersOpenByTheirShellNames)
{
    struct Case { const char* line; const char* action; std::string target; };
    const Case cases[] = {
        {".Recycle", "action 4 Recycle: ", "open ::{645FF040-5081-101B-9F08-00AA002F954E}"},
        {".MyComputer", "action 62 MyComputer: ", "open ::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"},
        {".Printers", "action 60 Printers: ", "::{2227A280-3AEA-1069-A2DE-08002B30309D}"},
        {".Recent", "action 53 Recent: ", "open " + FolderPath(CSIDL_RECENT) + " (dry run)"},
    };
    for (const Case& c : cases) {
        std::string line = Type(c.line, c.action);
        EXPECT_NE(Lower(line).find(Lower(c.target)), std::string::npos) << c.line << ": " << line;
        EXPECT_NE(line.find("(dry run)"), std::string::npos) << line;
    }
}

// Control panel pages open through the system folder's control.exe; the search by its verb.
TEST_F(HostActions, ProgramsAndVerbsOpenByTheirFullPaths)
{
    EXPECT_EQ(Type(".Find", "action 15 Find: "),
              "action 15 Find: find " + FolderPath(CSIDL_PROFILE) + " (dry run)");
    std::string control = SystemProgram("control.exe");
    EXPECT_EQ(Type(".CPanel", "action 59 CPanel: "),
              "action 59 CPanel: open " + control + " (dry run)");
    // Whatever newer page the running Windows offers, the control panel applet stays the
    // fallback, and it is the applet of that page.
    std::string screen = Type(".Screen", "action 13 Screen: ");
    EXPECT_NE(screen.find("open " + control + " desk.cpl"), std::string::npos) << screen;
    std::string clock = Type(".SetupClock", "0x7FEC SetupClock: ");
    EXPECT_NE(clock.find("open " + control + " timedate.cpl"), std::string::npos) << clock;
    std::string wallpapers = Type(".Wallpapers", "0x7FD7 Wallpapers: ");
    EXPECT_TRUE(wallpapers.find("open " + control + " desk.cpl,,0") != std::string::npos ||
                wallpapers.find("open " + control +
                                " /name Microsoft.Personalization /page pageWallpaper") !=
                    std::string::npos)
        << wallpapers;
    // The messages without data arrive posted, the action requests sent.
    EXPECT_NE(Type(".SetupClock", "0x7FEC SetupClock (").find("(posted)"), std::string::npos);
    EXPECT_NE(Type(".CPanel", "0x7FF1 host command (").find("(sent)"), std::string::npos);
}

// Shutting down and logging off ask nothing in dry run, and the theme tool the bar runs itself
// is not shipped, which harms nothing: no box stands in the way of the next command.
TEST_F(HostActions, SessionEndingActionsAndTheMissingThemeToolShowNoBox)
{
    std::string shutDown = Type(".ShutDown", "action 3 ShutDown: ");
    EXPECT_NE(shutDown.find("ExitWindowsEx shut down (dry run)"), std::string::npos) << shutDown;
    std::string logOff = Type(".Logoff", "action 17 Logoff: ");
    EXPECT_NE(logOff.find("ask \""), std::string::npos) << logOff;
    EXPECT_NE(logOff.find("ExitWindowsEx log off (dry run)"), std::string::npos) << logOff;
    TypeLine(bar, ".Theme");
    EXPECT_NE(Type(".CPanel", "action 59 CPanel: "), "");
    EXPECT_TRUE(ProcessWindows(host.program.id, "#32770").empty());
}

TEST_F(HostActions, DesktopAndClearRecentChangeNothingInDryRun)
{
    HWND window = TakeForeground();
    char document[MAX_PATH];
    lstrcpynA(document, (host.folder + "OrvelCmd.ini").c_str(), MAX_PATH);
    SHAddToRecentDocs(SHARD_PATHA, document);
    std::string shortcut = FolderPath(CSIDL_RECENT) + "\\OrvelCmd.ini.lnk";
    auto recorded = [&] { return GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES; };
    ASSERT_TRUE(WaitUntil(recorded, 5000));

    std::string desktop = Type(".Desktop", "action 7 Desktop: ");
    EXPECT_NE(desktop.find("one by one ("), std::string::npos) << desktop;
    EXPECT_EQ(desktop.find("(0 now)"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("(dry run)"), std::string::npos) << desktop;
    std::string clear = Type(".ClearRecent", "action 12 ClearRecent: ");
    EXPECT_NE(clear.find("SHAddToRecentDocs(NULL)"), std::string::npos) << clear;
    EXPECT_NE(clear.find("(dry run)"), std::string::npos) << clear;

    PumpMessages(0);
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
    EXPECT_NE(WaitForLogLine(host, "action 20 About: about box"), "");
}

TEST_F(HostActions, UnknownPrivateMessageIsLoggedAndIgnored)
{
    HWND hostWindow = HostWindowOf(host.program.id);
    ASSERT_NE(hostWindow, nullptr);
    size_t before = LogLines(host).size();
    PostMessageA(hostWindow, 0x7F00, 1, 2);
    EXPECT_EQ(WaitForLogLine(host, "0x7F00", 20000, before),
              "0x7F00 unknown private message (posted): wParam 0x1, lParam 0x2: ignored");
    EXPECT_NE(Type(".CPanel", "action 59 CPanel: "), "");
}

// Another program's requests with pointers into nowhere, sent or posted: the host reads none of
// them, opens nothing and stays alive.
TEST_F(HostActions, PointersFromAnotherProgramAreIgnored)
{
    HWND hostWindow = HostWindowOf(host.program.id);
    ASSERT_NE(hostWindow, nullptr);
    size_t before = LogLines(host).size();
    DWORD_PTR answer;
    for (UINT message : {HOSTMSG_COMMAND, HOSTMSG_PROPERTIES}) {
        SendMessageTimeoutA(hostWindow, message, 0, 0x1234, SMTO_NORMAL, 10000, &answer);
        PostMessageA(hostWindow, message, 0, 0x1234);
    }
    for (std::string line : {"0x7FF1 host command (sent)", "0x7FF1 host command (posted)",
                             "0x7FD9 Properties (sent)", "0x7FD9 Properties (posted)"}) {
        line += " from another thread or posted: ignored";
        EXPECT_EQ(WaitForLogLine(host, line, 20000, before), line);
    }
    EXPECT_EQ(WaitForExit(&host.program, 0), (DWORD)STILL_ACTIVE);
    EXPECT_TRUE(ProcessWindows(host.program.id, "#32770").empty());
    EXPECT_NE(Type(".CPanel", "action 59 CPanel: "), "") << "the bar's own requests still count";

    // Also those the bar makes while it handles a message another program sent it: the bar
    // menu's "Run" (98), sent from here.
    WaitUntil([] { return WindowText(InputLineOf(bar)).empty(); }, 10000);
    before = LogLines(host).size();
    SendMessageA(InputLineOf(bar), WM_SETTEXT, 0, (LPARAM) ".CPanel");
    SendMessageTimeoutA(bar, WM_COMMAND, 98, 0, SMTO_NORMAL, 20000, &answer);
    EXPECT_NE(WaitForLogLine(host, "0x7FF1 host command (sent): action 59", 20000, before), "");
}

}  // namespace
