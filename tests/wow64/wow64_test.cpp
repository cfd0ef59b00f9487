// The module as a 32-bit program on 64-bit Windows, in a 64-bit prefix (tools/wine-in wow64),
// where it must mean by a typed line what the 64-bit Run dialog means. orvelnative64.exe, a
// 64-bit program, is put only into the 64-bit system folder, which this process sees as SysWOW64
// by the name System32, and under other names where 64-bit programs are installed; it logs how
// it was started and whether it could open the file it was given. The shell spy passes on to
// the platform, which redirects as Windows does, or answers for it.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"

namespace {

std::string Variable(const char* name)
{
    char value[MAX_PATH] = "";
    GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}

// App Paths\<name> of the 64-bit registry under HKLM, where 64-bit installers write it.
void SetNativeAppPath(const char* name, const std::string& program, const std::string& folder)
{
    std::string key = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + name;
    HKEY entry;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, NULL, &entry, NULL), ERROR_SUCCESS);
    std::string quoted = "\"" + program + "\"";
    RegSetValueExA(entry, NULL, 0, REG_SZ, (const BYTE*)quoted.c_str(), (DWORD)quoted.size() + 1);
    RegSetValueExA(entry, "Path", 0, REG_SZ, (const BYTE*)folder.c_str(), (DWORD)folder.size() + 1);
    RegCloseKey(entry);
}

}  // namespace

TEST_F(ModuleTest, TypedLinesMeanWhatThe64BitRunDialogMeans)
{
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64) << "run in a 64-bit prefix";
    char windowsFolder[MAX_PATH];
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const std::string windows = windowsFolder, system = windows + "\\System32";
    const std::string native = windows + "\\Sysnative";
    const std::string files = Variable("ProgramW6432"), common = Variable("CommonProgramW6432");
    ASSERT_FALSE(files.empty() || common.empty()) << "WOW64 names the 64-bit program folders";
    ASSERT_NE(files, Variable("ProgramFiles"));

    // The 64-bit program in the 64-bit system folder only, and installed under other names.
    const std::string program = BinFolder() + "wow64\\orvelnative64.exe";
    const std::string installed = files + "\\Orvel64", shared = common + "\\Orvel64";
    CreateDirectoryA(installed.c_str(), NULL);
    CreateDirectoryA(shared.c_str(), NULL);
    for (const std::string& copy : {native + "\\orvelnative64.exe", installed + "\\orvel64app.exe",
                                    installed + "\\progfiles64.exe", installed + "\\orvelnote.exe",
                                    shared + "\\common64.exe"})
        ASSERT_TRUE(CopyFileA(program.c_str(), copy.c_str(), FALSE)) << copy;
    EXPECT_EQ(GetFileAttributesA((system + "\\orvelnative64.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    SetNativeAppPath("orvel64app.exe", installed + "\\orvel64app.exe", installed);
    // Documents whose handler is the 64-bit program: one where the 32-bit view sees it too (the
    // platform does not redirect drivers\etc), one only in the 64-bit folder; and a folder there.
    SetClassesValue(".orvdoc", "OrvelNote");
    SetClassesValue("OrvelNote\\shell\\open\\command", "\"" + installed + "\\orvelnote.exe\" \"%1\"");
    for (const char* document : {"\\drivers\\etc\\orvel-note.orvdoc", "\\orvel-only64.orvdoc"})
        ASSERT_TRUE(WritePrivateProfileStringA("note", "text", "a", (native + document).c_str()));
    CreateDirectoryA((native + "\\OrvelOnly64").c_str(), NULL);
    ASSERT_EQ(GetFileAttributesA((system + "\\orvel-only64.orvdoc").c_str()), INVALID_FILE_ATTRIBUTES);

    std::string log = TestFolder() + "native.log";
    SetEnvironmentVariableA("ORVEL_NATIVE_LOG", log.c_str());
    SetConfigInt("AutoComplete", 0);
    StartPlugin();
    ShellSpy spy(Host.module);
    spy.otherwise = PASS_ON;

    // The last request, and what the started program logged ("" for a row that starts none).
    struct Case {
        std::string typed;
        std::vector<DWORD> answers;
        std::string file, parameters, directory, logged;
    };
    const std::string etc = "C:\\Windows\\System32\\drivers\\etc";
    const Case cases[] = {
        // Programs of the 64-bit system folder start through Sysnative, in System32.
        {"C:\\Windows\\System32\\orvelnative64.exe", {}, "\"" + native + "\\orvelnative64.exe\"", "",
         system, "orvelnative64.exe"},
        {"\"%SystemRoot%\\SYSTEM32\\orvelnative64.exe\"", {}, "\"" + native + "\\orvelnative64.exe\"",
         "", system, "orvelnative64.exe"},
        {"%windir%\\system32\\orvelnative64.exe -a", {}, native + "\\orvelnative64.exe", " -a", system,
         " -a"},
        // ... their parameters as typed: the 64-bit program opens the document by that path.
        {"C:\\Windows\\System32\\orvelnative64.exe " + etc + "\\orvel-note.orvdoc", {},
         native + "\\orvelnative64.exe", " " + etc + "\\orvel-note.orvdoc", system, "\topened"},
        // Wine's own search finds a bare name: both attempts are answered "not found".
        {"orvelnative64 -v", {2, 2}, native + "\\orvelnative64.EXE", " -v", system, " -v"},
        // A folder is explored, a document opened, under the path the 64-bit world knows.
        {"C:\\Windows\\System32\\OrvelOnly64", {0}, system + "\\OrvelOnly64", "", "(null)", ""},
        {etc + "\\orvel-note.orvdoc", {}, "\"" + etc + "\\orvel-note.orvdoc\"", "", etc, "\topened"},
        {"%windir%\\System32\\orvel-only64.orvdoc", {}, installed + "\\orvelnote.exe",
         "\"" + system + "\\orvel-only64.orvdoc\"", system, "\topened"},
        // A name that 64-bit App Paths alone knows, with its parameters, in its Path folder.
        {"orvel64app -v", {2, 2}, installed + "\\orvel64app.exe", " -v", installed, " -v"},
        // The program folders' variables mean the 64-bit folders; %ProgramFiles(x86)% stays.
        {"%ProgramFiles%\\Orvel64\\progfiles64.exe", {}, "\"" + installed + "\\progfiles64.exe\"",
         "", installed, "progfiles64.exe"},
        {"\"%CommonProgramFiles%\\Orvel64\\common64.exe\" -c", {}, shared + "\\common64.exe", " -c",
         shared, " -c"},
        {"%ProgramFiles(x86)%\\Orvel64\\x86.exe", {0}, "\"%ProgramFiles(x86)%\\Orvel64\\x86.exe\"",
         "", "%ProgramFiles(x86)%\\Orvel64", ""},
    };
    int slot = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DeleteFileA(log.c_str());
        spy.Enter(c.typed, c.answers);
        ASSERT_FALSE(spy.requests.empty());
        const ShellRequest& last = spy.requests.back();
        EXPECT_EQ(lstrcmpiA(last.file.c_str(), c.file.c_str()), 0) << last.file;
        EXPECT_EQ(last.parameters, c.parameters);
        EXPECT_EQ(lstrcmpiA(last.directory.c_str(), c.directory.c_str()), 0) << last.directory;
        // Sysnative is only ever the program's own path: no 64-bit program could open it.
        for (const ShellRequest& request : spy.requests)
            EXPECT_EQ((request.parameters + request.directory).find("Sysnative"), std::string::npos);
        if (!c.logged.empty())
            EXPECT_TRUE(WaitUntil([&] { return ReadFileText(log).find(c.logged) != std::string::npos; },
                                  15000)) << ReadFileText(log);
        EXPECT_EQ(WindowText(InputLine()), "");
        EXPECT_EQ(HistoryValue(std::to_string(slot++).c_str()), c.typed) << "recorded as typed";
    }
    // A name that is nowhere stays "not found", with no request for a file that does not exist.
    spy.Enter("orvel-nowhere-64", {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(spy.requests.size(), 2u);
    EXPECT_EQ(WindowText(InputLine()), ".Error: not found");

    RestoreClasses();
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orvel64app.exe",
                    KEY_WOW64_64KEY, 0);
    for (const std::string& file : {native + "\\orvelnative64.exe", native + "\\orvel-only64.orvdoc",
                                    native + "\\drivers\\etc\\orvel-note.orvdoc"})
        DeleteFileA(file.c_str());
    RemoveDirectoryA((native + "\\OrvelOnly64").c_str());
}
