// The stand-in helper library does what the plug-in relies on of the host's: the module's tests
// are only as good as this.
#include "kelvor/hooks.h"
#include "kelvor/kelvor_host.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include "harness/process.h"
#include "harness/testhost.h"
#include <string>

TEST(Kelvor, Texts)
{
    char buffer[32];
    char* end = strecopy(buffer, "abc");
    EXPECT_EQ(end, buffer + 3);
    EXPECT_EQ(*end, '\0');
    strcopy(end, "de");
    EXPECT_STREQ(buffer, "abcde");

    FillMemory(buffer, sizeof buffer, 'x');
    strmoven(buffer, "hello world", 5);
    EXPECT_STREQ(buffer, "hello");
    strmoven(buffer, "hello", 0);
    EXPECT_STREQ(buffer, "");

    EXPECT_TRUE(IsPSTREmpty(""));
    EXPECT_FALSE(IsPSTREmpty(" "));

    lstrcpyA(buffer, "C:\\a b\\c.exe");
    Quote(buffer);
    EXPECT_STREQ(buffer, "\"C:\\a b\\c.exe\"");
    Unquote(buffer);
    EXPECT_STREQ(buffer, "C:\\a b\\c.exe");
    Unquote(buffer);
    EXPECT_STREQ(buffer, "C:\\a b\\c.exe");
    lstrcpyA(buffer, "\"");
    Unquote(buffer);
    EXPECT_STREQ(buffer, "\"");

    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    EXPECT_TRUE(DirExists(folder));
    EXPECT_FALSE(DirExists((std::string(folder) + "\\notepad.exe").c_str()));
    EXPECT_FALSE(DirExists("C:\\no such folder here"));
}

TEST(Kelvor, CheckIntSubstitutes)
{
    int value = 21;
    CheckInt(&value, 0, 20, 0);
    EXPECT_EQ(value, 0);
    value = 5000;
    CheckInt(&value, 50, 2000, 50);
    EXPECT_EQ(value, 50);
    value = 2000;
    CheckInt(&value, 50, 2000, 50);
    EXPECT_EQ(value, 2000);
    value = -5;
    CheckInt(&value, 0, 70, 20);
    EXPECT_EQ(value, 20);
}

// The one-byte "wanted" is read from the low byte of its stack slot only.
TEST(Kelvor, LayeredStyleReadsOneByte)
{
    typedef DWORD(__stdcall * WideLayeredStyle)(int, int);
    WideLayeredStyle wide = (WideLayeredStyle)(void*)&LayeredStyle;
    EXPECT_EQ(wide(0, 1), (DWORD)WS_EX_LAYERED);
    EXPECT_EQ(wide(0, 0x100), 0u);
    EXPECT_EQ(wide(0, 0x1FF), (DWORD)WS_EX_LAYERED);
    KelvorSetLayeredAvailable(0);
    EXPECT_EQ(LayeredStyle(0, 1), 0u);
    KelvorSetLayeredAvailable(1);

    HWND window = CreateWindowExA(WS_EX_LAYERED, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                  NULL, NULL);
    SetLayered(window, 0, 76, 2);
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(window, NULL, &alpha, &flags));
    EXPECT_EQ(alpha, 76);
    EXPECT_EQ(flags, (DWORD)LWA_ALPHA);
    DestroyWindow(window);
}

// Values set reach the configuration when the writing sequence is closed, not before.
TEST(Kelvor, ConfigurationReadAndWrite)
{
    CreateTestHost();
    void* configuration = Host.configPath;
    ConfigCursor cursor;
    OpenCFGw(configuration, &cursor);
    FindSection("Abrivel", 1, &cursor);
    SetCFGInt("Width", 321, &cursor);
    SetCFGInt("XPos", -7, &cursor);
    SetCFGInt("Width", 322, &cursor);
    int value;
    EXPECT_FALSE(GetConfigInt("Width", &value)) << "stored before CloseCFGw";
    CloseCFGw(configuration, 0, &cursor);
    ASSERT_TRUE(GetConfigInt("Width", &value));
    EXPECT_EQ(value, 322);

    SetConfig("Flag", "0");
    SetConfig("Junk", "12abc");
    OpenCFGr(configuration, &cursor);
    FindSection("Abrivel", 0, &cursor);
    EXPECT_EQ(GetCFGInt("Width", 5, &cursor), 322);
    EXPECT_EQ(GetCFGInt("XPos", 5, &cursor), -7);
    EXPECT_EQ(GetCFGInt("Missing", 5, &cursor), 5);
    EXPECT_EQ(GetCFGInt("Junk", 5, &cursor), 5);
    EXPECT_FALSE(GetCFGBool("Flag", -1, &cursor));
    EXPECT_TRUE(GetCFGBool("Width", 0, &cursor));
    EXPECT_TRUE(GetCFGBool("Missing", -1, &cursor));
    EXPECT_FALSE(GetCFGBool("Missing", 0, &cursor));
    // A reading sequence stores nothing.
    SetCFGInt("Width", 1, &cursor);
    CloseCFGr(&cursor);
    EXPECT_TRUE(GetConfigInt("Width", &value));
    EXPECT_EQ(value, 322);

    // Another section is another set of keys.
    OpenCFGr(configuration, &cursor);
    FindSection("Other", 0, &cursor);
    EXPECT_EQ(GetCFGInt("Width", 5, &cursor), 5);
    CloseCFGr(&cursor);
    DestroyTestHost();
}

TEST(Kelvor, RunStartsTheProgram)
{
    std::string log = TestFolder() + "run.log";
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", log.c_str());
    std::string program = BinFolder() + "recorder.exe";
    ::Run(program.c_str(), 0, 0, 1, 0);
    EXPECT_TRUE(WaitUntil([&] { return GetFileAttributesA(log.c_str()) != INVALID_FILE_ATTRIBUTES; },
                          20000));
    SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);
}

namespace {
void WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
}

void SaveBar(int width, int x)
{
    ConfigCursor cursor;
    OpenCFGw(Host.configPath, &cursor);
    FindSection("Abrivel", 1, &cursor);
    SetCFGInt("Width", width, &cursor);
    SetCFGInt("XPos", x, &cursor);
    CloseCFGw(Host.configPath, 0, &cursor);
}

std::string ProfileWidth()
{
    char text[64];
    GetPrivateProfileStringA("Abrivel", "Width", "(absent)", text, sizeof text, Host.configPath);
    return text;
}

// A save's temporary file left in the configuration's folder.
bool TemporaryLeft()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TestFolder() + "orv*.tmp").c_str(), &found);
    return search != INVALID_HANDLE_VALUE && FindClose(search);
}

// A save with its result, which the plug-in's prototype leaves out: the bar's own (CloseCFGw),
// or the host's, which may wait for a file another program holds.
BOOL SaveValue(const char* path, const char* key, int value, bool host = false)
{
    typedef BOOL(__stdcall * CloseWriting)(void*, int, ConfigCursor*);
    CloseWriting close = (CloseWriting)(void*)GetProcAddress(GetModuleHandleA("kelvor.dll"), "CloseCFGw");
    ConfigCursor cursor;
    OpenCFGw((void*)path, &cursor);
    FindSection("Abrivel", 1, &cursor);
    SetCFGInt(key, value, &cursor);
    return host ? KelvorCloseCFGwRetrying((void*)path, 0, &cursor) : close((void*)path, 0, &cursor);
}

BOOL SaveWidthTo(const char* path, int width) { return SaveValue(path, "Width", width); }

// Another program's edit, made while a save is under way.
void __stdcall EditMeanwhile(const char* path)
{
    KelvorWhenReplacing(NULL);
    WriteWholeFile(path, ReadFileText(path) + "[OrvelHost]\r\nHotkey=5\r\n");
}

std::string logged;
void __stdcall KeepLine(const char* line) { logged = line; }

DWORD WINAPI LetGoSoon(void* file)
{
    Sleep(150);
    return CloseHandle((HANDLE)file);
}

// ReplaceFile without a backup name whose replacement cannot be moved in, as Windows reports it:
// the file it replaces is gone already, the replacement still under its own name.
BOOL WINAPI ReplacedButNotMovedIn(LPCSTR replaced, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID)
{
    DeleteFileA(replaced);
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}
}  // namespace

// A save changes the values it sets and nothing else; the profile API, which keeps files by name
// and time, reads the file the rename put in place afresh.
TEST(Kelvor, SaveReplacesTheFileWithTheValuesMerged)
{
    CreateTestHost();
    WriteWholeFile(Host.configPath, "; OrvelCmd\n[OrvelHost]\nHotkey=0\n\n[Abrivel]\nWidth = 300\n");
    EXPECT_EQ(ProfileWidth(), "300");
    SaveBar(321, -7);
    EXPECT_EQ(ProfileWidth(), "321");
    EXPECT_EQ(ReadFileText(Host.configPath),
              "; OrvelCmd\r\n[OrvelHost]\r\nHotkey=0\r\n\r\n[Abrivel]\r\nWidth = 321\r\nXPos=-7\r\n");
    EXPECT_FALSE(TemporaryLeft());

    // A replacement that took the old file away and then failed: the new one goes in its place.
    FARPROC* slot = ImportSlot(GetModuleHandleA("kelvor.dll"), "kernel32.dll", "ReplaceFileA");
    ASSERT_NE(slot, nullptr);
    FARPROC original = *slot;
    Patch(slot, (FARPROC)ReplacedButNotMovedIn);
    EXPECT_TRUE(SaveWidthTo(Host.configPath, 322)) << "the save is done";
    Patch(slot, original);
    EXPECT_EQ(ProfileWidth(), "322");
    EXPECT_FALSE(TemporaryLeft());
    DestroyTestHost();
}

// A save that fails at any step stores nothing and says so: CloseCFGw is false with the reason
// as the last error, the host's log has a line, the old file stays byte for byte and no
// temporary file is left. Nothing of it is kept: the same save, the way clear, goes through.
TEST(Kelvor, FailedSaveIsReportedAndLeavesTheOldFile)
{
    CreateTestHost();
    const std::string original = "[Abrivel]\nWidth=300\n";
    const std::string path = Host.configPath;
    const std::string notAFolder = TestFolder() + "plain.txt";
    WriteWholeFile(notAFolder, "x");
    // step: the step of the save made to fail (1 writing, 2 flushing, 3 putting it in place).
    struct Case { const char* what; bool readOnly, held; int step; std::string file; };
    const Case cases[] = {
        {"read-only", true, false, 0, path}, {"held by another program", false, true, 0, path},
        {"disk full", false, false, 1, path}, {"flush fails", false, false, 2, path},
        {"cannot be put in place", false, false, 3, path},
        {"folder is a file", false, false, 0, notAFolder + "\\OrvelCmd.ini"},
    };
    KelvorSetLog(KeepLine);
    for (const Case& c : cases) {
        WriteWholeFile(path, original);
        logged.clear();
        if (c.readOnly)
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE held = c.held ? CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL)
                             : NULL;
        KelvorFailSave(c.step, ERROR_DISK_FULL);
        SetLastError(0);
        EXPECT_FALSE(SaveValue(c.file.c_str(), "Width", 321, true)) << c.what;
        EXPECT_NE(GetLastError(), 0u) << c.what;
        EXPECT_NE(logged.find("cannot save " + c.file), std::string::npos) << c.what << ": " << logged;
        KelvorFailSave(0, 0);
        if (held)
            CloseHandle(held);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFileText(path), original) << c.what;
        EXPECT_FALSE(TemporaryLeft()) << c.what;
        EXPECT_TRUE(SaveWidthTo(path.c_str(), 321)) << c.what << ": then the way is clear";
        EXPECT_EQ(ProfileWidth(), "321") << c.what;
    }
    KelvorSetLog(NULL);
    DeleteFileA(notAFolder.c_str());

    // Values already there need no writing: a read-only file takes such a save.
    WriteWholeFile(path, "[Abrivel]\r\nWidth=321\r\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(SaveWidthTo(path.c_str(), 321)) << "unchanged, read-only";
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A scanner that lets the file go within half a second delays the host's save, no more. The
    // bar's own does not wait: it fails, and the next save writes its value too.
    WriteWholeFile(path, original);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE releaser = CreateThread(NULL, 0, LetGoSoon, held, 0, NULL);
    EXPECT_TRUE(SaveValue(path.c_str(), "Width", 322, true)) << "held a moment";
    EXPECT_EQ(ProfileWidth(), "322");
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    releaser = CreateThread(NULL, 0, LetGoSoon, held, 0, NULL);
    EXPECT_FALSE(SaveWidthTo(path.c_str(), 323)) << "the bar's save waits for nothing";
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
    EXPECT_TRUE(SaveValue(path.c_str(), "XPos", 9));
    EXPECT_EQ(ProfileWidth(), "323");

    // Another program's edit between the read and the replace is merged again, not lost.
    KelvorWhenReplacing(EditMeanwhile);
    EXPECT_TRUE(SaveWidthTo(path.c_str(), 330));
    EXPECT_EQ(ProfileWidth(), "330");
    EXPECT_EQ(GetPrivateProfileIntA("OrvelHost", "Hotkey", 0, path.c_str()), 5);
    EXPECT_FALSE(TemporaryLeft());
    DestroyTestHost();
}

// A configuration beside the program wins; otherwise the user's application data, its folder
// made on the way. Files of other runs there are put aside meanwhile.
TEST(Kelvor, ConfigPathBesideTheProgramOrInApplicationData)
{
    char appData[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("APPDATA", appData, MAX_PATH));
    const std::string folder = std::string(appData) + "\\OrvelCmd";
    const std::string portable = BinFolder() + "OrvelCmd.ini";
    bool folderAside = MoveFileA(folder.c_str(), (folder + ".aside").c_str());
    bool portableAside = MoveFileA(portable.c_str(), (portable + ".aside").c_str());

    char path[MAX_PATH + 4];
    EXPECT_EQ(KelvorConfigPath(path, MAX_PATH), (int)folder.size() + 13);
    EXPECT_EQ(path, folder + "\\OrvelCmd.ini");
    EXPECT_TRUE(DirExists(folder.c_str()));
    // Asked again, with the folder there now: the same path.
    char again[MAX_PATH];
    EXPECT_EQ(KelvorConfigPath(again, MAX_PATH), (int)folder.size() + 13);
    EXPECT_STREQ(again, path);
    RemoveDirectoryA(folder.c_str());

    WriteWholeFile(portable, "");
    int size = (int)portable.size();
    EXPECT_EQ(KelvorConfigPath(path, size + 1), size);
    EXPECT_EQ(path, portable);
    // One byte short: no path, and nothing written past the first byte.
    FillMemory(path, sizeof path, 'x');
    EXPECT_EQ(KelvorConfigPath(path, size), 0);
    EXPECT_EQ(std::string(path, size + 4), '\0' + std::string(size + 3, 'x'));
    DeleteFileA(portable.c_str());

    // A file where the folder should be: no configuration can be named.
    WriteWholeFile(folder, "");
    EXPECT_EQ(KelvorConfigPath(path, MAX_PATH), 0);
    DeleteFileA(folder.c_str());

    if (folderAside)
        MoveFileA((folder + ".aside").c_str(), folder.c_str());
    if (portableAside)
        MoveFileA((portable + ".aside").c_str(), portable.c_str());
}

namespace {
bool boxShown;

// A box the shell shows is modal within the call, so this timer runs in the box's own loop.
void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    for (HWND box : ProcessWindows(GetCurrentProcessId(), "#32770")) {
        boxShown = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}
}  // namespace

// The theme tool is not shipped: starting a missing program fails quietly, with no error box.
TEST(Kelvor, RunOfAMissingProgramShowsNothing)
{
    boxShown = false;
    UINT_PTR timer = SetTimer(NULL, 0, 50, CloseBoxes);
    EXPECT_FALSE(::Run((TestFolder() + "vestrad.exe").c_str(), 0, 0, 1, 0));
    KillTimer(NULL, timer);
    EXPECT_FALSE(boxShown);
}
