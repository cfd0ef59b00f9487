// The 64-bit system folder through Sysnative, bare program names, and cuts between characters.
#include "command/textrules.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

TEST(MapSystemFolder, TypedPathsIntoSystem32GoThroughSysnative)
{
    struct Case { const char* typed; const char* mapped; };  // null: not mapped
    const Case cases[] = {
        {"C:\\Windows\\System32\\bash.exe", "C:\\windows\\Sysnative\\bash.exe"},
        {"c:\\WINDOWS\\system32\\OpenSSH\\ssh.exe host -p 22", "C:\\windows\\Sysnative\\OpenSSH\\ssh.exe host -p 22"},
        {"\"C:\\Windows\\System32\\my tool.exe\" -x", "\"C:\\windows\\Sysnative\\my tool.exe\" -x"},
        {"%windir%\\system32\\wsl.exe", "C:\\windows\\Sysnative\\wsl.exe"},
        {"%SYSTEMROOT%\\System32", "C:\\windows\\Sysnative"},
        {"\"%SystemRoot%\\System32\"", "\"C:\\windows\\Sysnative\""},
        {"C:\\Windows\\System32\\", "C:\\windows\\Sysnative\\"},
        {"C:\\Windows\\System32 /s", "C:\\windows\\Sysnative /s"},
        {"C:\\Windows\\System32x\\a.exe", nullptr},
        {"C:\\Windows\\SysWOW64\\a.exe", nullptr},
        {"D:\\Windows\\System32\\a.exe", nullptr},
        {"%ProgramFiles%\\System32\\a.exe", nullptr},
        {"notepad C:\\Windows\\System32\\a.txt", nullptr},
        {"C:\\Windows", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char mapped[MAX_PATH] = "untouched";
        bool done = MapSystemFolder(c.typed, "C:\\windows", mapped, sizeof mapped);
        EXPECT_EQ(done, c.mapped != nullptr) << c.typed;
        EXPECT_STREQ(mapped, c.mapped ? c.mapped : "untouched") << c.typed;
    }

    // The Windows folder at a drive's root, and a buffer a byte too short.
    char mapped[64];
    ASSERT_TRUE(MapSystemFolder("C:\\System32\\a.exe", "C:\\", mapped, sizeof mapped));
    EXPECT_STREQ(mapped, "C:\\Sysnative\\a.exe");

    // The mapping and its NUL fit exactly; a byte fewer is refused, the buffer untouched.
    for (const char* typed : {"C:\\windows\\system32\\a", "\"C:\\windows\\system32\\a b\" -x",
                              "%windir%\\System32\\a"}) {
        char expected[64];
        ASSERT_TRUE(MapSystemFolder(typed, "C:\\windows", expected, sizeof expected));
        int size = (int)strlen(expected) + 1;
        EXPECT_TRUE(MapSystemFolder(typed, "C:\\windows", mapped, size)) << typed;
        strcpy(mapped, "untouched");
        EXPECT_FALSE(MapSystemFolder(typed, "C:\\windows", mapped, size - 1)) << typed;
        EXPECT_STREQ(mapped, "untouched") << typed;
    }
}

TEST(NativeFolderAsSeen, SysnativeIsSystem32ToTheProgram)
{
    const char* cases[][2] = {
        {"C:\\windows\\Sysnative", "C:\\windows\\System32"},
        {"c:\\WINDOWS\\sysnative\\OpenSSH", "c:\\WINDOWS\\System32\\OpenSSH"},
        {"C:\\windows\\Sysnativex", "C:\\windows\\Sysnativex"},
        {"C:\\windows", "C:\\windows"},
        {"D:\\windows\\Sysnative", "D:\\windows\\Sysnative"},
    };
    for (auto& c : cases) {
        char folder[MAX_PATH];
        strcpy(folder, c[0]);
        NativeFolderAsSeen(folder, "C:\\windows\\");
        EXPECT_STREQ(folder, c[1]) << c[0];
    }
}

TEST(MapFolderVariables, TheTwoProgramFoldersMeanThe64BitOnes)
{
    const char* files = "C:\\Program Files";
    const char* common = "C:\\Program Files\\Common Files";
    struct Case { const char* typed; const char* mapped; };  // null: not mapped
    const Case cases[] = {
        {"%ProgramFiles%\\Orvel64\\a.exe", "C:\\Program Files\\Orvel64\\a.exe"},
        {"\"%programfiles%\\a b.exe\" -x %COMMONPROGRAMFILES%",
         "\"C:\\Program Files\\a b.exe\" -x C:\\Program Files\\Common Files"},
        {"%ProgramFiles(x86)%\\a.exe", nullptr},
        {"%CommonProgramFiles(x86)%\\b", nullptr},
        {"%ProgramFiles", nullptr},
        {"%windir%\\System32\\a.exe", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char mapped[MAX_PATH];
        EXPECT_EQ(MapFolderVariables(c.typed, files, common, mapped, sizeof mapped), c.mapped != nullptr)
            << c.typed;
        if (c.mapped)
            EXPECT_STREQ(mapped, c.mapped) << c.typed;
    }
    // No 64-bit value known, and a buffer a byte short of "C:\Program Files\a" and its NUL.
    char mapped[32];
    EXPECT_FALSE(MapFolderVariables("%ProgramFiles%\\a", "", NULL, mapped, sizeof mapped));
    EXPECT_FALSE(MapFolderVariables("%ProgramFiles%\\a", files, common, mapped, 18));
    EXPECT_TRUE(MapFolderVariables("%ProgramFiles%\\a", files, common, mapped, 19));
}

TEST(IsBareName, OnlyNamesWithoutFolderDriveOrSlash)
{
    EXPECT_TRUE(IsBareName("wsl"));
    EXPECT_TRUE(IsBareName("bash.exe"));
    for (const char* name : {"", "OpenSSH\\ssh", "C:ssh", "a/b", "\\\\server\\x"})
        EXPECT_FALSE(IsBareName(name)) << name;
}

TEST(WholeCharacters, NeverCutsInsideACharacter)
{
    struct Case { const char* text; int limit; unsigned codePage; int length; };
    const Case cases[] = {
        {"abcdef", 4, 1252, 4},
        {"ab", 9, 1252, 2},
        {"\xE4\xB8\xAD\xE6\x96\x87", 5, CP_UTF8, 3},   // two 3-byte characters
        {"\xE4\xB8\xAD\xE6\x96\x87", 6, CP_UTF8, 6},
        {"a\xD0\x96", 2, CP_UTF8, 1},                  // a, then a 2-byte letter
        {"\xF0\x9F\x98\x80x", 3, CP_UTF8, 0},          // an emoji of 4 bytes
        {"\xF0\x9F\x98\x80x", 5, CP_UTF8, 5},
        {"\xE4\xB8", 2, CP_UTF8, 2},                   // broken: taken a byte at a time
        {"\x80\x80\x80", 2, CP_UTF8, 2},
        {"a\x82\xA0", 2, 932, 1},                      // Shift-JIS: a lead byte and its trail
        {"a\x82\xA0", 3, 932, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WholeCharacters(c.text, c.limit, c.codePage), c.length)
            << c.text << " limit " << c.limit << " code page " << c.codePage;
}
