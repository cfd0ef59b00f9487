// Dot commands through the real module: typed into the input line and run with Return.
#include "harness/testhost.h"
#include "harness/imports.h"
#include "harness/launch.h"
#include "command/dotcommands.h"
#include <algorithm>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {
const char HistoryKey[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";

std::vector<std::string> HistoryTexts()
{
    std::vector<std::string> texts;
    HKEY keyHandle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKey, 0, KEY_READ, &keyHandle) != ERROR_SUCCESS)
        return texts;
    for (int slot = 0; slot <= 12; slot++) {
        char name[8], text[1024];
        wsprintfA(name, "%d", slot);
        DWORD size = sizeof text - 1;
        DWORD type = 0;
        if (RegQueryValueExA(keyHandle, name, NULL, &type, (BYTE*)text, &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            text[size] = '\0';
            texts.push_back(text);
        }
    }
    RegCloseKey(keyHandle);
    return texts;
}

bool HistoryKeyExists()
{
    HKEY keyHandle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKey, 0, KEY_READ, &keyHandle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(keyHandle);
    return true;
}

bool InHistory(const std::string& text)
{
    for (const std::string& stored : HistoryTexts())
        if (stored == text)
            return true;
    return false;
}

struct LineState {
    std::string text;
    DWORD start, end;
};

LineState Line()
{
    LineState line;
    line.text = WindowText(InputLine());
    line.start = line.end = 0xFFFFFFFF;
    SendMessageA(InputLine(), EM_GETSEL, (WPARAM)&line.start, (LPARAM)&line.end);
    return line;
}

// The caret stands after the last character and nothing is selected.
void ExpectCaretAtEnd(const std::string& text, const char* context)
{
    LineState line = Line();
    EXPECT_EQ(line.text, text) << context;
    EXPECT_EQ(line.start, text.size()) << context;
    EXPECT_EQ(line.end, text.size()) << context;
}

void Type(const std::string& text)
{
    flush_sequence();
    Host.commands.clear();
    Host.properties.clear();
    SetInputText(text.c_str());
    PressKey(InputLine(), VK_RETURN);
}

bool AllZeroButCode(const HostCommand& command)
{
    for (BYTE b : command.reserved)
        if (b)
            return false;
    return true;
}

// Programs started by a command are copies of the recorder: each appends its command line.
struct RecorderLog {
    std::string path = TestFolder() + "launches.log";
    RecorderLog() { UseRecorderLog(path); }
    ~RecorderLog() { SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL); }
    bool WaitForLaunch() { return !RecordedLaunches(path, 1, 15000).empty(); }
    std::string Text() { return ReadFileText(path); }
};

// Wine runs its own rundll32 for the bare name unless the load order names it native: the
// recorder takes its place in the prefix's system folder while the test runs. The order is read
// from the environment when a process starts, so WINEDLLOVERRIDES set here would reach no one;
// the user's override key is read by the process being started.
struct RecorderAsRundll32 {
    std::string system, saved;
    bool ready = false;
    bool hadOverride = false;
    std::string previousOverride;
    RecorderAsRundll32()
    {
        char folder[MAX_PATH];
        GetSystemDirectoryA(folder, MAX_PATH);
        system = std::string(folder) + "\\rundll32.exe";
        saved = std::string(folder) + "\\rundll32-saved-by-orvel-test.exe";
        // A run that died before restoring left the original here.
        if (GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES)
            RestoreProgram();
        if (!CopyFileA(system.c_str(), saved.c_str(), FALSE))
            return;
        if (!CopyFileA((BinFolder() + "recorder.exe").c_str(), system.c_str(), FALSE))
            return;
        HKEY overrides;
        if (RegCreateKeyA(HKEY_CURRENT_USER, OverrideKey, &overrides) != ERROR_SUCCESS)
            return;
        char value[256];
        DWORD size = sizeof value - 1;
        DWORD type = 0;
        if (RegQueryValueExA(overrides, "rundll32.exe", NULL, &type, (BYTE*)value, &size) ==
                ERROR_SUCCESS && type == REG_SZ) {
            value[size] = '\0';
            hadOverride = true;
            previousOverride = value;
        }
        ready = RegSetValueExA(overrides, "rundll32.exe", 0, REG_SZ, (const BYTE*)"native", 7) ==
                ERROR_SUCCESS;
        RegCloseKey(overrides);
    }
    void RestoreProgram()
    {
        CopyFileA(saved.c_str(), system.c_str(), FALSE);
        DeleteFileA(saved.c_str());
    }
    ~RecorderAsRundll32()
    {
        if (GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES)
            RestoreProgram();
        HKEY overrides;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, OverrideKey, 0, KEY_SET_VALUE, &overrides) !=
            ERROR_SUCCESS)
            return;
        if (hadOverride)
            RegSetValueExA(overrides, "rundll32.exe", 0, REG_SZ,
                           (const BYTE*)previousOverride.c_str(), previousOverride.size() + 1);
        else
            RegDeleteValueA(overrides, "rundll32.exe");
        RegCloseKey(overrides);
    }
    static constexpr const char* OverrideKey = "Software\\Wine\\DllOverrides";
};

// The recorder as the program that opens .htm files, so that the browser road starts it.
struct RecorderAsBrowser {
    std::string savedClass;
    bool hadClass = false;
    RecorderAsBrowser()
    {
        char value[256];
        LONG size = sizeof value;
        if (RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS) {
            hadClass = true;
            savedClass = value;
        }
        std::string command = "\"" + BinFolder() + "recorder.exe\" \"%1\"";
        RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "OrvelTest.Page", 14);
        RegSetValueA(HKEY_CLASSES_ROOT, "OrvelTest.Page\\shell\\open\\command", REG_SZ,
                     command.c_str(), (DWORD)command.size());
    }
    ~RecorderAsBrowser()
    {
        if (hadClass)
            RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, savedClass.c_str(),
                         (DWORD)savedClass.size());
        else
            RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "OrvelTest.Page\\shell\\open\\command");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "OrvelTest.Page\\shell\\open");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "OrvelTest.Page\\shell");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "OrvelTest.Page");
    }
};

const message DialogBracket[] = {
    {HOSTMSG_DIALOGOPENING, sent | wparam | lparam, 0, 0},
    {HOSTMSG_DIALOGCLOSED, sent | wparam | lparam, 0, 0},
    {0},
};

// Whether the host had heard that a dialog opens, and nothing more, when the dialog showed.
bool HeardOpeningOnly()
{
    return sequence_count() == 1 && sequence_at(0)->message == HOSTMSG_DIALOGOPENING;
}

struct BoxSeen {
    HWND owner = NULL;
    bool barEnabled = true;
    bool heardFirst = false;
    std::string caption, text;
};

// Runs the typed line, which must show the command list, and closes the list box.
BoxSeen RunWithCommandList(const std::string& typed)
{
    BoxSeen seen;
    WhenWindowAppears("#32770", [&](HWND box) {
        seen.owner = GetWindow(box, GW_OWNER);
        seen.barEnabled = IsWindowEnabled(BarWindow()) != 0;
        seen.heardFirst = HeardOpeningOnly();
        seen.caption = WindowText(box);
        seen.text = WindowText(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    Type(typed);
    EXPECT_TRUE(ModalActionRan()) << typed;
    return seen;
}

const char ListText[] =
    ".Help\r\n.ClearHistory\r\n.Recycle\r\n.MyComputer\r\n.ShutDown\r\n.Logoff\r\n.CPanel\r\n"
    ".Install\r\n.SetupClock\r\n.Master\r\n.Wallpapers\r\n.Theme\r\n.Printers\r\n.Recent\r\n"
    ".Find\r\n.Open\r\n.Screen\r\n.ClearRecent\r\n.Desktop\r\n.Site";

// A line of 259 characters, the most the input line takes: blanks and quotes after the word.
std::string LongLine(const std::string& start)
{
    std::string line = start + " \"";
    while (line.size() < 258)
        line += (line.size() % 4) ? 'q' : ' ';
    return line + "\"";
}
}  // namespace

class DotCommandTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        StartPlugin();
        ASSERT_NE(InputLine(), nullptr);
    }
};

// Every command the table gives a host action, by its name and by beginnings, other cases and
// words after a whole name.
TEST_F(DotCommandTest, HostActionsAreSentOnceAndRecordedByTheirTableName)
{
    struct Case { std::string typed, name; DWORD code; };
    std::vector<Case> cases;
#define HOST_ACTION_CASE(name, action, posted, handler, recorded, listed) \
    if (action)                                                            \
        cases.push_back({"." #name, #name, (DWORD)action});
    DOT_COMMANDS(HOST_ACTION_CASE)
#undef HOST_ACTION_CASE
    ASSERT_EQ(cases.size(), 13u);
    const char* const typings[][2] = {
        {".shut", "ShutDown"}, {".Sh", "ShutDown"}, {".ShutDownNow", "ShutDown"}, {".S", "ShutDown"},
        {".ClearR", "ClearRecent"}, {".Rec", "Recycle"}, {".Rece", "Recent"}, {".P", "Printers"},
        {".c", "CPanel"}, {".M", "MyComputer"}, {".ABOUT us", "About"},
    };
    for (auto& typing : typings)
        for (size_t i = 0; i < 13; i++)
            if (cases[i].name == typing[1])
                cases.push_back({typing[0], typing[1], cases[i].code});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DeleteHistoryKey();
        Type(c.typed);
        const message expected[] = {{HOSTMSG_COMMAND, sent | wparam, 0, 0}, {0}};
        ok_sequence(expected, c.typed.c_str());
        ASSERT_EQ(Host.commands.size(), 1u);
        EXPECT_EQ(Host.commands[0].action, c.code);
        EXPECT_TRUE(AllZeroButCode(Host.commands[0]));
        EXPECT_EQ(HistoryTexts(), std::vector<std::string>{"." + c.name});
        ExpectCaretAtEnd("", c.typed.c_str());
    }
}

TEST_F(DotCommandTest, SetupClockAndWallpapersArePosted)
{
    struct Case { const char* typed; UINT message; const char* recorded; };
    const Case cases[] = {
        {".SetupClock", HOSTMSG_SETUPCLOCK, ".SetupClock"},
        {".wall", HOSTMSG_WALLPAPERS, ".Wallpapers"},
    };
    for (const Case& c : cases) {
        DeleteHistoryKey();
        Type(c.typed);
        EXPECT_TRUE(WaitUntil([] { return sequence_count() > 0; }, 5000)) << c.typed;
        const message expected[] = {{c.message, posted | wparam | lparam, 0, 0}, {0}};
        ok_sequence(expected, c.typed);
        EXPECT_TRUE(Host.commands.empty()) << c.typed;
        EXPECT_EQ(HistoryTexts(), std::vector<std::string>{c.recorded}) << c.typed;
        ExpectCaretAtEnd("", c.typed);
    }
}

TEST_F(DotCommandTest, ClearHistoryDeletesTheKeyAndRecordsNothing)
{
    for (const char* typed : {".ClearHistory", ".Clear", ".clearh"}) {
        Type(".Recycle");
        ASSERT_TRUE(InHistory(".Recycle"));
        Type(typed);
        EXPECT_FALSE(HistoryKeyExists()) << typed;
        EXPECT_TRUE(Host.commands.empty()) << typed;
        ok_sequence(DialogBracket + 2, typed);  // nothing at all
        ExpectCaretAtEnd("", typed);
    }
    // With the key already gone nothing changes.
    Type(".ClearHistory");
    EXPECT_FALSE(HistoryKeyExists());
}

TEST_F(DotCommandTest, HelpShowsTheCommandListAndClearsTheLine)
{
    for (const char* typed : {".help", ".HELP"}) {
        BoxSeen box = RunWithCommandList(typed);
        EXPECT_EQ(box.owner, BarWindow()) << typed;
        EXPECT_FALSE(box.barEnabled) << "the bar stays disabled while the box is shown";
        EXPECT_TRUE(box.heardFirst) << "the host hears of the box before it appears";
        EXPECT_EQ(box.caption, "Command list:") << typed;
        EXPECT_EQ(box.text, ListText) << typed;
        ok_sequence(DialogBracket, typed);
        EXPECT_TRUE(Host.commands.empty()) << typed;
        EXPECT_FALSE(HistoryKeyExists()) << typed;
        ExpectCaretAtEnd("", typed);
    }
}

TEST_F(DotCommandTest, UnknownWordsShowTheListAndStayForCorrection)
{
    for (const std::string& typed :
         {std::string("."), std::string(".xyz"), std::string(". Help"), LongLine(".xyz")}) {
        BoxSeen box = RunWithCommandList(typed);
        EXPECT_EQ(box.owner, BarWindow()) << typed;
        EXPECT_EQ(box.caption, "Command list:") << typed;
        EXPECT_EQ(box.text, ListText) << typed;
        ok_sequence(DialogBracket, typed.c_str());
        EXPECT_TRUE(Host.commands.empty()) << typed;
        EXPECT_FALSE(HistoryKeyExists()) << typed;
        ExpectCaretAtEnd(typed, typed.c_str());
    }
}

TEST_F(DotCommandTest, LongLinesWithBlanksAndQuotesAfterTheName)
{
    std::string typed = LongLine(".Recycle");
    ASSERT_EQ(typed.size(), 259u);
    Type(typed);
    ASSERT_EQ(Host.commands.size(), 1u);
    EXPECT_EQ(Host.commands[0].action, 4u);
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Recycle"});
    ExpectCaretAtEnd("", "long .Recycle");
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(DotCommandTest, OpenPutsTheChosenPathIntoTheLine)
{
    std::string file = TestFolder() + "my notes.txt";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);

    HWND owner = NULL;
    bool heardFirst = false;
    std::string folder;
    std::vector<std::string> filters;
    LRESULT filterShown = -1;
    WhenWindowAppears("#32770", [&](HWND dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        heardFirst = HeardOpeningOnly();
        char path[MAX_PATH] = "";
        SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, (LPARAM)path);
        folder = path;
        HWND types = GetDlgItem(dialog, cmb1);
        for (int i = 0; i < (int)SendMessageA(types, CB_GETCOUNT, 0, 0); i++) {
            char item[128] = "";
            SendMessageA(types, CB_GETLBTEXT, i, (LPARAM)item);
            filters.push_back(item);
        }
        filterShown = SendMessageA(types, CB_GETCURSEL, 0, 0);
        // The file name field: an edit inside the combo box cmb13 or, in older layouts, edt1.
        HWND name = GetDlgItem(dialog, cmb13);
        if (name) {
            HWND edit = FindWindowExA(name, NULL, "Edit", NULL);
            if (edit)
                name = edit;
        } else {
            name = GetDlgItem(dialog, edt1);
        }
        SetWindowTextA(name, file.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDOK));
    });
    Type(".Open");
    EXPECT_TRUE(ModalActionRan());
    EXPECT_EQ(owner, BarWindow());
    EXPECT_TRUE(heardFirst) << "the host hears of the dialog before it appears";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(folder.c_str(), windows), 0) << folder;
    const std::vector<std::string> expectedFilters = {
        "Application (*.exe;*.com;*.bat)", "Documents (*.txt;*.doc)", "All Files (*.*)"};
    EXPECT_EQ(filters, expectedFilters);
    EXPECT_EQ(filterShown, 0);

    ok_sequence(DialogBracket, ".Open chosen");
    EXPECT_TRUE(Host.commands.empty());
    // Nothing ran: only the command itself is recorded, not the path.
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Open"});
    ExpectCaretAtEnd(file, "chosen path, without quotes");
}

TEST_F(DotCommandTest, OpenCancelledLeavesTheLineEmptyAndIsRecorded)
{
    WhenWindowAppears("#32770",
                      [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    Type(".Open notes.txt");
    EXPECT_TRUE(ModalActionRan());
    ok_sequence(DialogBracket, ".Open cancelled");
    EXPECT_TRUE(Host.commands.empty());
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Open"});
    ExpectCaretAtEnd("", "cancelled");
}

// What the module asks the shell to start, seen on its way: the module's import of ShellExecuteA
// is pointed at a spy that records the call and passes it on.
struct ShellExecuteCall {
    HWND owner;
    const char *verb, *directory;
    std::string file, parameters;
    INT show;
};
std::vector<ShellExecuteCall> shellExecuteCalls;

HINSTANCE WINAPI SpyShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                  LPCSTR directory, INT show)
{
    shellExecuteCalls.push_back({owner, verb, directory, file ? file : "", parameters ? parameters : "", show});
    return ShellExecuteA(owner, verb, file, parameters, directory, show);
}

// The shell looks for a bare program name in the current folder (a download folder, say) before
// the system folder: the module must name the system folder's rundll32.exe in full. Wine's shell
// tries the system folder first whatever it is given, so under Wine the decoy would not run even
// for a bare name; what the module asks for is checked as well as what starts.
TEST_F(DotCommandTest, InstallStartsTheAppletThroughTheSystemRundll32)
{
    RecorderLog log;
    RecorderAsRundll32 stand;
    ASSERT_TRUE(stand.ready) << "could not put the recorder in place of rundll32.exe";
    FARPROC* slot = ImportSlot(Host.module, "shell32.dll", "ShellExecuteA");
    ASSERT_NE(slot, nullptr);
    FARPROC original = *slot;
    Patch(slot, (FARPROC)SpyShellExecuteA);
    shellExecuteCalls.clear();
    char previous[MAX_PATH];
    ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, previous));
    std::string current = TestFolder() + "current";
    std::string decoy = current + "\\rundll32.exe";
    CreateDirectoryA(current.c_str(), NULL);
    ASSERT_TRUE(CopyFileA((BinFolder() + "recorder.exe").c_str(), decoy.c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));

    Type(".Install");
    bool launched = log.WaitForLaunch();
    SetCurrentDirectoryA(previous);
    Patch(slot, original);
    ASSERT_EQ(shellExecuteCalls.size(), 1u);
    const ShellExecuteCall& call = shellExecuteCalls[0];
    EXPECT_EQ(call.file, stand.system);
    EXPECT_EQ(call.parameters, "shell32.dll,Control_RunDLL appwiz.cpl,,1");
    EXPECT_EQ(call.owner, Host.mainWindow);
    EXPECT_EQ(call.verb, nullptr);
    EXPECT_EQ(call.directory, nullptr);
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
    // The shell puts the path of the program it started, quoted or not, at the head of the
    // command line.
    ASSERT_TRUE(launched);
    std::string line = log.Text();
    std::string commandLine = line.substr(0, line.find('\t'));
    commandLine.erase(std::remove(commandLine.begin(), commandLine.end(), '"'), commandLine.end());
    EXPECT_EQ(commandLine, stand.system + " shell32.dll,Control_RunDLL appwiz.cpl,,1") << line;
    EXPECT_TRUE(Host.commands.empty());
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Install"});
    ExpectCaretAtEnd("", ".Install");
}

TEST_F(DotCommandTest, ThemeRunsTheToolFromTheHostFolder)
{
    RecorderLog log;
    std::string tool = std::string(Host.hostFolder) + "vestrad.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "recorder.exe").c_str(), tool.c_str(), FALSE));
    Host.recordMask |= RECORD_LIBRARY;
    Type(".Theme");
    ASSERT_TRUE(log.WaitForLaunch());
    EXPECT_NE(log.Text().find("vestrad.exe"), std::string::npos) << log.Text();
    const message expected[] = {{CFG_RUN, key | lparam, 0, 1, tool.c_str()}, {0}};
    ok_sequence(expected, ".Theme");
    EXPECT_TRUE(Host.commands.empty());
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Theme"});
    ExpectCaretAtEnd("", ".Theme");
}

TEST_F(DotCommandTest, ThemeIsSkippedWhenTheToolPathWouldNotFit)
{
    // 252 characters of folder and the 11 of "vestrad.exe" just fit the 264-character buffer.
    Host.recordMask |= RECORD_LIBRARY;
    std::string folder = "C:\\" + std::string(248, 'f') + "\\";
    ASSERT_EQ(folder.size(), 252u);
    lstrcpyA(Host.hostFolder, folder.c_str());
    Type(".Theme");
    std::string tool = folder + "vestrad.exe";
    const message fits[] = {{CFG_RUN, key | lparam, 0, 1, tool.c_str()}, {0}};
    ok_sequence(fits, "folder of 252 characters");

    // One more and a cut path would name another program: nothing is started.
    folder = "C:\\" + std::string(249, 'f') + "\\";
    lstrcpyA(Host.hostFolder, folder.c_str());
    Type(".Theme");
    ok_sequence(DialogBracket + 2, "folder of 253 characters");
    EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Theme"});
    ExpectCaretAtEnd("", ".Theme skipped");
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(DotCommandTest, PropertiesSendsTheHostText)
{
    for (const char* typed : {".Properties", ".pro"}) {
        DeleteHistoryKey();
        Type(typed);
        const message expected[] = {{HOSTMSG_PROPERTIES, sent | wparam, 0, 0}, {0}};
        ok_sequence(expected, typed);
        EXPECT_EQ(Host.properties, std::vector<std::string>{"/OrvelCmd.plg"}) << typed;
        EXPECT_TRUE(Host.commands.empty()) << typed;
        EXPECT_EQ(HistoryTexts(), std::vector<std::string>{".Properties"}) << typed;
        ExpectCaretAtEnd("", typed);
    }
}

TEST_F(DotCommandTest, PropertiesCutsAHostTextTooLongForItsBuffer)
{
    std::string longText(1000, 't');
    for (int i = 0; i < 1000; i++)
        longText[i] = (char)('a' + i % 26);
    lstrcpyA(Host.hostText, longText.c_str());
    Type(".Properties");
    ASSERT_EQ(Host.properties.size(), 1u);
    // "/" and 262 characters and the NUL fill the 264 characters.
    EXPECT_EQ(Host.properties[0], "/" + longText.substr(0, 262));
    EXPECT_TRUE(GuardsIntact());

    // 262 characters, the most the host promises, go whole.
    lstrcpyA(Host.hostText, longText.substr(0, 262).c_str());
    Type(".Properties");
    ASSERT_EQ(Host.properties.size(), 1u);
    EXPECT_EQ(Host.properties[0], "/" + longText.substr(0, 262));
}

TEST_F(DotCommandTest, SiteDispatchesTheAddressAndEndsEmpty)
{
    RecorderLog log;
    RecorderAsBrowser browser;
    Type(".Site");
    ExpectCaretAtEnd("", ".Site");
    EXPECT_TRUE(Host.commands.empty());
    ASSERT_TRUE(log.WaitForLaunch());
    std::vector<std::string> history = HistoryTexts();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0], ".Site");
    const std::string& address = history[1];
    EXPECT_EQ(address.compare(0, 7, "http://"), 0) << address;
    // The browser got the recorded address, quoted.
    EXPECT_NE(log.Text().find("\"" + address + "\""), std::string::npos) << log.Text();
}

TEST_F(DotCommandTest, ErrorBringsBackTheFailedCommand)
{
    // Before anything failed there is nothing to bring back.
    Type(".Error");
    ExpectCaretAtEnd("", "nothing failed yet");
    EXPECT_FALSE(HistoryKeyExists());

    const std::string failed = "orvel-no-such-program-7q with args";
    Type(failed);
    std::string shown = WindowText(InputLine());
    ASSERT_EQ(shown, ".Error: not found");
    Type(shown);
    ExpectCaretAtEnd(failed, "after a failure");
    EXPECT_FALSE(HistoryKeyExists()) << "neither the failure nor .Error is recorded";
    EXPECT_TRUE(Host.commands.empty());
    ok_sequence(DialogBracket + 2, ".Error");
}
