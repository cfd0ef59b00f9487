// The module as a 32-bit program on 64-bit Windows, in a 64-bit prefix (tools/wine-in wow64):
// orvelnative64.exe, a 64-bit program, is put only into the 64-bit system folder, which this
// process sees as SysWOW64 by the name System32. The shell spy passes on or answers "not found".
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"

TEST_F(ModuleTest, System32PathsAndBareNamesReachThe64BitFolder)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64) << "run in a 64-bit prefix";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string native = std::string(windows) + "\\Sysnative";
    ASSERT_TRUE(CopyFileA((BinFolder() + "wow64\\orvelnative64.exe").c_str(),
                          (native + "\\orvelnative64.exe").c_str(), FALSE));
    EXPECT_EQ(GetFileAttributesA((std::string(windows) + "\\System32\\orvelnative64.exe").c_str()),
              INVALID_FILE_ATTRIBUTES);
    std::string log = TestFolder() + "native.log";
    SetEnvironmentVariableA("ORVEL_NATIVE_LOG", log.c_str());
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);

    struct Case { std::string typed, file, parameters; int notFound; };
    const Case cases[] = {
        {"C:\\Windows\\System32\\orvelnative64.exe", "\"" + native + "\\orvelnative64.exe\"", "", 0},
        {"\"%SystemRoot%\\SYSTEM32\\orvelnative64.exe\"", "\"" + native + "\\orvelnative64.exe\"", "", 0},
        {"%windir%\\system32\\orvelnative64.exe -a", native + "\\orvelnative64.exe", " -a", 0},
        // Wine's own search finds a bare name: both attempts are answered "not found".
        {"orvelnative64 -v", native + "\\orvelnative64.EXE", " -v", 2},
    };
    spy.otherwise = PASS_ON;
    int slot = 0;
    for (const Case& c : cases) {
        DeleteFileA(log.c_str());
        spy.Enter(c.typed, std::vector<DWORD>(c.notFound, ERROR_FILE_NOT_FOUND));
        ASSERT_FALSE(spy.requests.empty()) << c.typed;
        const ShellRequest& last = spy.requests.back();
        EXPECT_EQ(lstrcmpiA(last.file.c_str(), c.file.c_str()), 0) << c.typed << ": " << last.file;
        EXPECT_EQ(last.parameters, c.parameters) << c.typed;
        // Sysnative is no folder to the 64-bit program: it starts in System32, its own.
        EXPECT_EQ(last.directory, std::string(windows) + "\\System32") << c.typed;
        EXPECT_TRUE(WaitUntil([&] { return !ReadFileText(log).empty(); }, 15000)) << c.typed;
        EXPECT_EQ(HistoryValue(std::to_string(slot++).c_str()), c.typed) << "recorded as typed";
    }
    // A name that is nowhere stays "not found", with no request for a file that does not exist.
    spy.Enter("orvel-nowhere-64", {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(spy.requests.size(), 2u);
    EXPECT_EQ(WindowText(InputLine()), ".Error: not found");
    DeleteFileA((native + "\\orvelnative64.exe").c_str());
}
