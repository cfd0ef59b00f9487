// The module as a 32-bit program on 64-bit Windows: run in a 64-bit Wine prefix, where the
// platform shows a 32-bit process SysWOW64 for System32. orvelnative64.exe, a 64-bit program, is
// put only into the 64-bit system folder. The module's requests are seen through its import of
// ShellExecuteExA and passed on, or answered "not found" where the test says so.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

struct ShellRequest {
    std::string file, parameters, directory;
};
std::vector<ShellRequest> requests;
int notFoundAnswers;  // the first calls answered "not found" without reaching the shell
FARPROC passOn;

BOOL WINAPI SpyShellExecuteExA(SHELLEXECUTEINFOA* request)
{
    requests.push_back({request->lpFile ? request->lpFile : "",
                        request->lpParameters ? request->lpParameters : "",
                        request->lpDirectory ? request->lpDirectory : ""});
    if ((int)requests.size() <= notFoundAnswers) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return ((BOOL(WINAPI*)(SHELLEXECUTEINFOA*))passOn)(request);
}

std::string WindowsFolder()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

class Wow64Test : public ModuleTest {
protected:
    FARPROC* slot = nullptr;
    std::string log, native;

    void SetUp() override
    {
        ModuleTest::SetUp();
        BOOL wow64 = FALSE;
        ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
            << "this test runs in a 64-bit prefix (tools/wine-in wow64)";
        native = WindowsFolder() + "\\Sysnative\\orvelnative64.exe";
        ASSERT_TRUE(CopyFileA((BinFolder() + "wow64\\orvelnative64.exe").c_str(), native.c_str(), FALSE));
        log = TestFolder() + "native.log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("ORVEL_NATIVE_LOG", log.c_str());
        SetConfigInt("AutoComplete", 0);
        StartPlugin();
        slot = ImportSlot(Host.module, "shell32.dll", "ShellExecuteExA");
        ASSERT_NE(slot, nullptr);
        passOn = *slot;
        Patch(slot, (FARPROC)SpyShellExecuteExA);
    }
    void TearDown() override
    {
        if (slot)
            Patch(slot, passOn);
        ModuleTest::TearDown();
        DeleteFileA(native.c_str());
    }
    void Enter(const std::string& text, int notFound)
    {
        requests.clear();
        notFoundAnswers = notFound;
        DeleteFileA(log.c_str());
        SetInputText(text.c_str());
        PressKey(InputLine(), VK_RETURN);
    }
    bool Ran() { return WaitUntil([&] { return !ReadFileText(log).empty(); }, 15000); }
};

}  // namespace

TEST_F(Wow64Test, TypedSystem32PathsRunThroughSysnative)
{
    // What the module works around: by its System32 path this process does not see the program.
    EXPECT_EQ(GetFileAttributesA((WindowsFolder() + "\\System32\\orvelnative64.exe").c_str()),
              INVALID_FILE_ATTRIBUTES);
    const std::string sysnative = WindowsFolder() + "\\Sysnative";
    struct Case { std::string typed, file, parameters; };
    const Case cases[] = {
        {"C:\\Windows\\System32\\orvelnative64.exe", "\"" + sysnative + "\\orvelnative64.exe\"", ""},
        {"\"%SystemRoot%\\SYSTEM32\\orvelnative64.exe\"", "\"" + sysnative + "\\orvelnative64.exe\"", ""},
        // With parameters: the first attempt as one file fails, the second runs the program.
        {"%windir%\\system32\\orvelnative64.exe -a", sysnative + "\\orvelnative64.exe", " -a"},
    };
    int slot = 0;
    for (const Case& c : cases) {
        Enter(c.typed, 0);
        ASSERT_FALSE(requests.empty()) << c.typed;
        EXPECT_EQ(requests.back().file, c.file) << c.typed;
        EXPECT_EQ(requests.back().parameters, c.parameters) << c.typed;
        EXPECT_EQ(requests.back().directory, sysnative) << c.typed;
        EXPECT_TRUE(Ran()) << c.typed;
        char name[8];
        wsprintfA(name, "%d", slot++);
        EXPECT_EQ(HistoryValue(name), c.typed) << "recorded as typed";
    }
}

TEST_F(Wow64Test, BareNamesGetOneMoreAttemptInSysnative)
{
    // Wine's own search would find the name: both attempts are answered "not found".
    Enter("orvelnative64 -v", 2);
    ASSERT_EQ(requests.size(), 3u);
    const std::string sysnative = WindowsFolder() + "\\Sysnative";
    EXPECT_EQ(lstrcmpiA(requests[2].file.c_str(), (sysnative + "\\orvelnative64.exe").c_str()), 0)
        << requests[2].file;
    EXPECT_EQ(requests[2].parameters, " -v");
    EXPECT_EQ(requests[2].directory, sysnative);
    EXPECT_TRUE(Ran());
    EXPECT_EQ(HistoryValue("0"), "orvelnative64 -v");

    // A name that is nowhere stays "not found", with no call for a file that does not exist.
    Enter("orvel-nowhere-64", 2);
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_EQ(WindowText(InputLine()), ".Error: not found");
}
