// The browser's command line as ExecuteInput builds it, for browser paths the platform's short
// names would hide: a long path with blanks, a long path without, and the longest of both.
// The browser is the recorder, started for real; the cached browser path is set beforehand.
#include "plugin/state.h"
#include "command/command.h"
#include "harness/testhost.h"
#include "harness/launch.h"
#include <gtest/gtest.h>
#include <string>

namespace {

class BrowserLine : public ::testing::Test {
protected:
    HWND edit = NULL;
    std::string log;
    std::string hostFolder;

    void SetUp() override
    {
        ZeroMemory(&State, sizeof State);
        edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 300, 20, NULL, NULL, NULL, NULL);
        State.input = edit;
        log = TestFolder() + "browser.log";
        UseRecorderLog(log);
        char folder[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, folder);
        hostFolder = folder;
        DeleteHistoryKey();
    }
    void TearDown() override
    {
        DestroyWindow(edit);
        DeleteHistoryKey();
    }

    // Copies the recorder to path (creating its folders) and makes it the cached browser.
    void UseBrowser(const std::string& path)
    {
        ASSERT_TRUE(CopyRecorder(path, TestFolder())) << path << " error " << GetLastError();
        ASSERT_LT(path.size(), sizeof State.BrowserPath);
        lstrcpyA(State.BrowserPath, path.c_str());
    }

    // Runs text through ExecuteInput and returns the one line the browser recorded.
    std::string Launch(const std::string& text)
    {
        SetWindowTextA(edit, text.c_str());
        ExecuteInput();
        std::vector<std::string> lines = RecordedLaunches(log, 1);
        EXPECT_EQ(lines.size(), 1u);
        ForgetLaunches(log);
        return lines.empty() ? "" : lines[0];
    }
};

}  // namespace

TEST_F(BrowserLine, PathWithBlanksIsQuoted)
{
    std::string browser = TestFolder() + "Web Browser\\orvel web.exe";
    UseBrowser(browser);
    // Read unquoted, the path up to its first blank would name this program.
    ASSERT_TRUE(CopyRecorder(TestFolder() + "Web.exe", TestFolder()));
    EXPECT_EQ(Launch("www.example.com"),
              "\"" + browser + "\" \"www.example.com\"\t" + hostFolder);
    EXPECT_EQ(HistoryValue("0"), "www.example.com");
    EXPECT_EQ(WindowText(edit), "");
}

TEST_F(BrowserLine, PathWithoutBlanksStaysAsWritten)
{
    std::string browser = TestFolder() + "LongBrowserFolder\\orvelwebbrowser.exe";
    UseBrowser(browser);
    EXPECT_EQ(Launch("\"HTTP://x\""), browser + " \"HTTP://x\"\t" + hostFolder);
    EXPECT_EQ(HistoryValue("0"), "\"HTTP://x\"");
}

TEST_F(BrowserLine, LongestPathAndLongestLineFit)
{
    // A 259-character browser path with blanks and a 259-character address: 524 characters.
    std::string browser = TestFolder();
    while (browser.size() < 200)
        browser += "folder with blanks\\";
    browser += "orvel web";
    browser += std::string(MAX_PATH - 1 - browser.size() - 4, 'b') + ".exe";
    ASSERT_EQ(browser.size(), (size_t)MAX_PATH - 1);
    UseBrowser(browser);
    ASSERT_TRUE(CopyRecorder(TestFolder() + "folder.exe", TestFolder()));

    std::string address = "www." + std::string(MAX_PATH - 1 - 4, 'a');
    EXPECT_EQ(Launch(address), "\"" + browser + "\" \"" + address + "\"\t" + hostFolder);
    EXPECT_EQ(HistoryValue("0"), address);
}
