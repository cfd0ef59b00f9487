// The default browser, found through a real ".htm" association in the test prefix's registry.
#include <windows.h>
#include <string>
#include <gtest/gtest.h>
#include "harness/testhost.h"
#include "plugin/state.h"
#include "command/command.h"

static const char ProgId[] = "OrvelTest.Page";

static std::string TempFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

static std::string ProbePath() { return TempFolder() + "orveladdressbar.htm"; }

static bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static void SetDefault(const std::string& key, const std::string& value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, key.c_str(), &handle), ERROR_SUCCESS) << key;
    RegSetValueExA(handle, NULL, 0, REG_SZ, (const BYTE*)value.c_str(), value.size() + 1);
    RegCloseKey(handle);
}

static void AssociateHtm(const std::string& program)
{
    SetDefault(".htm", ProgId);
    SetDefault(std::string(ProgId) + "\\shell\\open\\command", "\"" + program + "\" \"%1\"");
}

static std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

static std::string Browser()
{
    char destination[COMMAND_TEXT_MAX];
    destination[0] = '\0';
    FindBrowser(destination);
    return destination;
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Whatever the prefix associated with ".htm" comes back afterwards.
        char value[MAX_PATH];
        LONG size = sizeof value;
        hadHtm = RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS;
        savedHtm = hadHtm ? value : "";

        folder = TestFolder() + "Browser With A Long Name\\";
        CreateDirectoryA(folder.c_str(), NULL);
        program = folder + "orvel browser.exe";
        ASSERT_TRUE(CopyFileA((BinFolder() + "recorder.exe").c_str(), program.c_str(), FALSE));
        DeleteFileA(ProbePath().c_str());
        State.BrowserPath[0] = '\0';
    }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell\\open\\command").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell\\open").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(ProgId) + "\\shell").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, ProgId);
        if (hadHtm)
            SetDefault(".htm", savedHtm);
        else
            RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
        State.BrowserPath[0] = '\0';
    }
    bool hadHtm;
    std::string savedHtm;
    std::string folder;
    std::string program;
};

TEST_F(BrowserTest, AssociatedProgramInShortFormFoundOnce)
{
    AssociateHtm(program);
    std::string expected = ShortPath(program);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(expected.find(' '), std::string::npos) << expected;

    HANDLE change = FindFirstChangeNotificationA(TempFolder().c_str(), FALSE,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(change, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Browser(), expected);
    EXPECT_FALSE(FileExists(ProbePath()));
    // The search itself makes and removes the probe: the watch sees it.
    EXPECT_EQ(WaitForSingleObject(change, 2000), WAIT_OBJECT_0);
    FindCloseChangeNotification(change);

    // Later calls answer from the cache: another association, and no file in the temporary
    // folder comes or goes.
    AssociateHtm(BinFolder() + "recorder.exe");
    change = FindFirstChangeNotificationA(TempFolder().c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    EXPECT_EQ(Browser(), expected);
    EXPECT_EQ(Browser(), expected);
    EXPECT_EQ(WaitForSingleObject(change, 200), (DWORD)WAIT_TIMEOUT);
    FindCloseChangeNotification(change);
}

TEST_F(BrowserTest, ProbeThatExistedIsRemovedToo)
{
    AssociateHtm(program);
    HANDLE file = CreateFileA(ProbePath().c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(file, "<html>", 6, &written, NULL);
    CloseHandle(file);

    EXPECT_EQ(Browser(), ShortPath(program));
    EXPECT_FALSE(FileExists(ProbePath()));
}

TEST_F(BrowserTest, NoAssociationGivesExplorerAndKeepsIt)
{
    SetDefault(".htm", "OrvelTest.Nothing");
    EXPECT_EQ(Browser(), "explorer.exe");
    EXPECT_FALSE(FileExists(ProbePath()));

    AssociateHtm(program);
    EXPECT_EQ(Browser(), "explorer.exe");
}

// A temporary path that fails or does not fit is not used: the probe goes by its bare name to
// the current folder and is removed from there.
TEST_F(BrowserTest, UnusableTemporaryPathStillFindsTheBrowser)
{
    AssociateHtm(program);
    std::string here = TestFolder();
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(here.c_str()));
    char savedTmp[MAX_PATH] = "", savedTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", savedTemp, MAX_PATH);
    for (int length : {MAX_PATH - 1, 300}) {
        std::string unusable = "C:\\" + std::string(length - 3, 'x');
        SetEnvironmentVariableA("TMP", unusable.c_str());
        SetEnvironmentVariableA("TEMP", unusable.c_str());
        char unused[MAX_PATH];
        DWORD needed = GetTempPathA(MAX_PATH, unused);
        State.BrowserPath[0] = '\0';
        std::string found = Browser();
        EXPECT_TRUE(needed == 0 || needed >= MAX_PATH) << "length " << length << ": " << needed;
        EXPECT_EQ(found, ShortPath(program)) << "length " << length;
        EXPECT_FALSE(FileExists(here + "orveladdressbar.htm")) << "length " << length;
    }
    SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : NULL);
    SetEnvironmentVariableA("TEMP", savedTemp[0] ? savedTemp : NULL);
    SetCurrentDirectoryA(previous);
}
