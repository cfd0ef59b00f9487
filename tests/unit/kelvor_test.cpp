// The stand-in helper library does what the plug-in relies on of the host's: the module's tests
// are only as good as this.
#include "kelvor/hooks.h"
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
