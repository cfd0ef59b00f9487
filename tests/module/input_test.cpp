// The input line of the real module: Return and Escape, the browser road and the shell road,
// observed through the recorder started in the throwaway prefix.
#include "harness/testhost.h"
#include "harness/launch.h"
#include <string>
#include <vector>

namespace {

const char NotFound[] = ".Error: not found";

std::string CurrentFolder()
{
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return n && n < MAX_PATH ? shortPath : path;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void Selection(DWORD* start, DWORD* end)
{
    *start = *end = 0xFFFF;
    SendMessageA(InputLine(), EM_GETSEL, (WPARAM)start, (LPARAM)end);
}

// The edit class's procedure while the module subclasses its input line: whatever the module
// passes on arrives here, with the line's text as it was at that moment.
WNDPROC editClassProc;
struct PassedKey {
    UINT message;
    WPARAM key;
    std::string text;
};
std::vector<PassedKey> passedKeys;

LRESULT CALLBACK EditBelowModule(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        char text[300] = "";
        CallWindowProcA(editClassProc, window, WM_GETTEXT, sizeof text, (LPARAM)text);
        passedKeys.push_back({message, wParam, text});
    }
    return CallWindowProcA(editClassProc, window, message, wParam, lParam);
}

// Any dialog on this thread (the command list box) is counted and cancelled.
int dialogsSeen;
BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    char name[16];
    GetClassNameA(window, name, sizeof name);
    if (!lstrcmpA(name, "#32770") && IsWindowVisible(window)) {
        dialogsSeen++;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}
void CALLBACK WatchDialogs(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

class InputLineTest : public ModuleTest {
protected:
    std::string log;
    std::vector<std::string> filesToRemove;

    void SetUp() override
    {
        ModuleTest::SetUp();
        log = TestFolder() + "launches.log";
        UseRecorderLog(log);
        // Suggestions popping up while the test types would only get in the way.
        SetConfigInt("AutoComplete", 0);
        // Opening a folder runs the recorder, not Wine's explorer.
        explorer = TestFolder() + "explorer\\orvelexplore.exe";
        ASSERT_TRUE(CopyRecorder(explorer, TestFolder()));
        SetClassesValue("Folder\\shell\\explore\\command", Quoted(explorer) + " \"%1\"");
    }
    void TearDown() override
    {
        RestoreClasses();
        ModuleTest::TearDown();
        for (const std::string& file : filesToRemove)
            WaitUntil([&] { return DeleteFileA(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; },
                      5000);
        SetEnvironmentVariableA("ORVEL_RECORDER_LOG", NULL);
    }

    std::string explorer;

    std::string Recorder(const std::string& path)
    {
        EXPECT_TRUE(CopyRecorder(path, TestFolder())) << path;
        return path;
    }

    void Enter(const std::string& text)
    {
        SetInputText(text.c_str());
        PressKey(InputLine(), VK_RETURN);
    }

    // Enters text and returns the one launch it caused: "command line<TAB>current folder".
    std::string LaunchOf(const std::string& text)
    {
        Enter(text);
        std::vector<std::string> lines = RecordedLaunches(log, 1);
        EXPECT_EQ(lines.size(), 1u) << text;
        ForgetLaunches(log);
        return lines.empty() ? "" : lines[0];
    }

    void ExpectLineEmptied()
    {
        EXPECT_EQ(WindowText(InputLine()), "");
        DWORD start, end;
        Selection(&start, &end);
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
    }

    void ExpectNotFoundSelected(const std::string& typed)
    {
        EXPECT_EQ(WindowText(InputLine()), NotFound) << typed;
        DWORD start, end;
        Selection(&start, &end);
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, (DWORD)lstrlenA(NotFound));
    }

    void RegisterBrowser(const std::string& program)
    {
        SetClassesValue(".htm", "OrvelTestPage");
        SetClassesValue("OrvelTestPage\\shell\\open\\command", Quoted(program) + " \"%1\"");
    }
};

}  // namespace

TEST_F(InputLineTest, WebTargetsStartTheBrowserWithTheTargetQuotedOnce)
{
    std::string browser = Recorder(TestFolder() + "Web Browser\\orvel web.exe");
    RegisterBrowser(browser);
    StartPlugin();
    // The module hands over the short form; this platform has short names for every path.
    std::string shortBrowser = ShortPath(browser);
    ASSERT_EQ(shortBrowser.find(' '), std::string::npos) << shortBrowser;
    std::string host = "\t" + CurrentFolder();

    EXPECT_EQ(LaunchOf("www.example.com"), shortBrowser + " \"www.example.com\"" + host);
    EXPECT_EQ(HistoryValue("0"), "www.example.com");
    EXPECT_EQ(WindowText(InputLine()), "");

    EXPECT_EQ(LaunchOf("HTTP://x"), shortBrowser + " \"HTTP://x\"" + host);
    EXPECT_EQ(LaunchOf("\"ftp.example.com/a b\""), shortBrowser + " \"ftp.example.com/a b\"" + host);
    // The history holds the texts as typed, the quoted one with its own quotes only.
    EXPECT_EQ(HistoryValue("1"), "HTTP://x");
    EXPECT_EQ(HistoryValue("2"), "\"ftp.example.com/a b\"");
    EXPECT_EQ(WindowText(InputLine()), "");
}

TEST_F(InputLineTest, BrowserThatCannotStartLeavesTheTextToTheShell)
{
    RegisterBrowser(TestFolder() + "gone\\nobrowser.exe");
    StartPlugin();
    std::string page = "C:\\orvel-no-folder\\page.htm";
    Enter(page);
    // The shell road's own answer: nothing of that name.
    ExpectNotFoundSelected(page);
    EXPECT_FALSE(HistoryValueExists("0"));
    EXPECT_EQ(ReadFileText(log), "");
}

TEST_F(InputLineTest, ShellRunsProgramsInTheirFolders)
{
    std::string plain = Recorder(TestFolder() + "run\\orvelrun.exe");
    std::string blanks = Recorder(TestFolder() + "run dir\\orvel run.exe");
    StartPlugin();

    // One file: the whole text in quotes, in the program's folder.
    EXPECT_EQ(LaunchOf(plain), Quoted(plain) + "\t" + TestFolder() + "run");
    EXPECT_EQ(HistoryValue("0"), plain);
    ExpectLineEmptied();

    // Program and parameters: the parameters keep the blank that ended the program's name, and
    // the shell puts one more between file and parameters.
    EXPECT_EQ(LaunchOf(plain + " alpha \"b c\""),
              Quoted(plain) + "  alpha \"b c\"\t" + TestFolder() + "run");
    EXPECT_EQ(HistoryValue("1"), plain + " alpha \"b c\"");
    ExpectLineEmptied();

    // A quoted token is not quoted again; its folder comes from the unquoted path.
    EXPECT_EQ(LaunchOf(Quoted(blanks)), Quoted(blanks) + "\t" + TestFolder() + "run dir");
    // A quoted program followed by parameters runs at the second attempt, without its quotes.
    EXPECT_EQ(LaunchOf(Quoted(blanks) + " -x"), Quoted(blanks) + "  -x\t" + TestFolder() + "run dir");
    EXPECT_EQ(HistoryValue("3"), Quoted(blanks) + " -x");
    ExpectLineEmptied();
}

TEST_F(InputLineTest, ProgramUnderADriveRootRunsInTheRoot)
{
    std::string program = "C:\\orvelrec.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "recorder.exe").c_str(), program.c_str(), FALSE));
    filesToRemove.push_back(program);
    StartPlugin();
    EXPECT_EQ(LaunchOf(program), Quoted(program) + "\tC:\\");
    EXPECT_EQ(HistoryValue("0"), program);
}

TEST_F(InputLineTest, FolderIsExplored)
{
    std::string folder = TestFolder() + "some folder";
    CreateDirectoryA(folder.c_str(), NULL);
    StartPlugin();
    std::string launch = LaunchOf(folder);
    // The recorder stands in for the "explore" verb only: it ran, so that verb was asked for.
    EXPECT_EQ(launch.substr(0, launch.find('\t')), Quoted(explorer) + " " + Quoted(folder));
    EXPECT_EQ(HistoryValue("0"), folder);
    ExpectLineEmptied();
}

TEST_F(InputLineTest, ReturnOnAnEmptyLineDoesNothing)
{
    StartPlugin();
    SetInputText("");
    flush_sequence();
    PressKey(InputLine(), VK_RETURN);
    PumpMessages(0);
    static const message nothing[] = {{0, 0, 0, 0, nullptr}};
    ok_sequence(nothing, "Return on an empty line");
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brandelmor\\Orvel\\Plugins\\Addr", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(WindowText(InputLine()), "");
}

TEST_F(InputLineTest, EscapeEmptiesTheLineAndIsPassedOn)
{
    // Every edit control made from here on starts with EditBelowModule, so the module's
    // subclass passes its keys there.
    HWND probe = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    editClassProc = (WNDPROC)SetClassLongPtrA(probe, GCLP_WNDPROC, (LONG_PTR)EditBelowModule);
    StartPlugin();
    SetClassLongPtrA(probe, GCLP_WNDPROC, (LONG_PTR)editClassProc);
    DestroyWindow(probe);
    passedKeys.clear();

    SetInputText("some text");
    PressKey(InputLine(), VK_ESCAPE);
    EXPECT_EQ(WindowText(InputLine()), "");
    ASSERT_EQ(passedKeys.size(), 2u);
    EXPECT_EQ(passedKeys[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(passedKeys[0].key, (WPARAM)VK_ESCAPE);
    EXPECT_EQ(passedKeys[0].text, "") << "the line is emptied before the key is passed on";
    EXPECT_EQ(passedKeys[1].message, (UINT)WM_KEYUP);

    // Only the low byte of the key counts; a key going up or a character changes nothing.
    SetInputText("some text");
    SendMessageA(InputLine(), WM_KEYDOWN, 0x100 | VK_ESCAPE, 1);
    EXPECT_EQ(WindowText(InputLine()), "");
    SetInputText("some text");
    SendMessageA(InputLine(), WM_KEYUP, VK_ESCAPE, 0xC0000001);
    SendMessageA(InputLine(), WM_KEYDOWN, VK_ESCAPE + 1, 1);
    EXPECT_EQ(WindowText(InputLine()), "some text");
    EXPECT_FALSE(HistoryValueExists("0"));
}

TEST_F(InputLineTest, NotFoundShowsTheErrorWhichBringsTheTextBack)
{
    StartPlugin();
    dialogsSeen = 0;
    UINT_PTR watch = SetTimer(NULL, 0, 50, WatchDialogs);
    // A blank before the dot: not a dot command (no command list), but a shell text.
    Enter(" .help");
    ExpectNotFoundSelected(" .help");
    EXPECT_FALSE(HistoryValueExists("0"));

    // The failure text is the dot command that puts the failed text back.
    PressKey(InputLine(), VK_RETURN);
    EXPECT_EQ(WindowText(InputLine()), " .help");

    // Blanks, control characters and empty quotes name no program: nothing runs or is recorded.
    for (const char* nothing : {"   ", "\"\"", "\x01\x02 \t", "\"\" \"\""}) {
        Enter(nothing);
        ExpectNotFoundSelected(nothing);
    }

    // The low byte of the key is what counts.
    SetInputText("orvel-no-such-program");
    SendMessageA(InputLine(), WM_KEYDOWN, 0x4500 | VK_RETURN, 1);
    ExpectNotFoundSelected("orvel-no-such-program");
    KillTimer(NULL, watch);
    EXPECT_EQ(dialogsSeen, 0);
    EXPECT_FALSE(HistoryValueExists("0"));
    EXPECT_EQ(ReadFileText(log), "");
}

TEST_F(InputLineTest, LongestLineIsReadWhole)
{
    std::string program = Recorder(TestFolder() + "run\\orvelrun.exe");
    StartPlugin();
    // Typed one character at a time: the line takes 259 and no more.
    std::string typed = program + " " + std::string(400, 'p');
    SetInputText("");
    for (char c : typed)
        SendMessageA(InputLine(), WM_CHAR, (BYTE)c, 1);
    std::string line = typed.substr(0, MAX_PATH - 1);
    ASSERT_EQ(WindowText(InputLine()), line);

    PressKey(InputLine(), VK_RETURN);
    std::vector<std::string> launches = RecordedLaunches(log, 1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0], Quoted(program) + " " + line.substr(program.size()) + "\t" + TestFolder() + "run");
    EXPECT_EQ(HistoryValue("0"), line);
}

TEST_F(InputLineTest, BadLinesAreNeverLost)
{
    StartPlugin();
    const std::string lines[] = {
        std::string(MAX_PATH - 1, '"'),
        std::string(MAX_PATH - 1, ' '),
        std::string(MAX_PATH - 1, '\\'),
        [] { std::string s; while (s.size() < MAX_PATH - 1) s += "\" \\"; return s.substr(0, MAX_PATH - 1); }(),
        "\"C:\\orvel no folder\\prog.exe -x",
        "prog.exe \"unbalanced",
        "\x01\x02\x1f\x7f",
        "a|b\t\x01\"\"",
        "\"\"",
        std::string(300, 'z'),
    };
    int slot = 0;
    for (const std::string& text : lines) {
        Enter(text);
        ASSERT_TRUE(GuardsIntact());
        std::string kept = text.substr(0, MAX_PATH - 1);
        std::string shown = WindowText(InputLine());
        if (shown.compare(0, 6, ".Error") == 0) {  // not run: Enter brings the text back
            PressKey(InputLine(), VK_RETURN);
            EXPECT_EQ(WindowText(InputLine()), kept) << "not kept: " << text;
        } else {
            // Taken as done: then it is in the history.
            EXPECT_EQ(shown, "") << text;
            char name[8];
            wsprintfA(name, "%d", slot++);
            EXPECT_EQ(HistoryValue(name), kept) << text;
        }
    }
    EXPECT_EQ(ReadFileText(log), "");
}
