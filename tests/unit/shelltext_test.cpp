// The shell road's tokenizer and working-folder rule, fed edge cases and random lines.
#include "command/textrules.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

namespace {

const int LINE_MAX = MAX_PATH - 1;        // what the input line holds
const int TOKEN_BUFFER = MAX_PATH + 2;    // the shell road's file buffer
const int GUARD = 32;
const unsigned char GUARD_BYTE = 0xCD;

// A destination buffer between guard bytes, sized as the module sizes it.
struct Guarded {
    unsigned char block[GUARD + MAX_PATH + 2 + GUARD];
    int size;
    explicit Guarded(int bufferSize) : size(bufferSize)
    {
        memset(block, GUARD_BYTE, sizeof block);
    }
    char* buffer() { return (char*)block + GUARD; }
    bool intact() const
    {
        for (int i = 0; i < GUARD; i++)
            if (block[i] != GUARD_BYTE || block[GUARD + size + i] != GUARD_BYTE)
                return false;
        return true;
    }
};

struct Split {
    std::string token;
    std::string rest;
};

Split SplitOf(const char* source)
{
    Guarded destination(TOKEN_BUFFER);
    const char* rest = SplitFirstToken(source, destination.buffer());
    EXPECT_TRUE(destination.intact()) << source;
    EXPECT_GE(rest, source);
    EXPECT_LE(rest, source + strlen(source));
    return {destination.buffer(), rest};
}

std::string FolderOf(const char* path)
{
    Guarded folder(MAX_PATH);
    strcpy(folder.buffer(), "C:\\windows");
    WorkingFolderOf(path, folder.buffer(), MAX_PATH);
    EXPECT_TRUE(folder.intact()) << path;
    return folder.buffer();
}

}  // namespace

TEST(SplitFirstToken, SkipsBlanksControlCharactersAndEmptyQuotes)
{
    Split s = SplitOf("  \t\x01\x1F prog arg");
    EXPECT_EQ(s.token, "prog");
    EXPECT_EQ(s.rest, " arg");

    s = SplitOf("\"\" x");
    EXPECT_EQ(s.token, "x");
    EXPECT_EQ(s.rest, "");

    s = SplitOf(" \"\"\"\" \"\"y z");
    EXPECT_EQ(s.token, "y");
    EXPECT_EQ(s.rest, " z");
}

TEST(SplitFirstToken, QuotedRunsJoinTheirNeighbours)
{
    Split s = SplitOf("a\"b c\"d e");
    EXPECT_EQ(s.token, "ab cd");
    EXPECT_EQ(s.rest, " e");

    s = SplitOf("\"C:\\my dir\\prog.exe\" -x \"y z\"");
    EXPECT_EQ(s.token, "C:\\my dir\\prog.exe");
    EXPECT_EQ(s.rest, " -x \"y z\"");

    // A quote opened and never closed runs to the end of the text.
    s = SplitOf("\"C:\\my dir\\prog.exe -x");
    EXPECT_EQ(s.token, "C:\\my dir\\prog.exe -x");
    EXPECT_EQ(s.rest, "");

    s = SplitOf("ab\"");
    EXPECT_EQ(s.token, "ab");
    EXPECT_EQ(s.rest, "");
}

TEST(SplitFirstToken, BlanksOnlyAndTrailingBlanks)
{
    const char* blanks = "   \t ";
    Guarded destination(TOKEN_BUFFER);
    const char* rest = SplitFirstToken(blanks, destination.buffer());
    EXPECT_STREQ(destination.buffer(), "");
    EXPECT_EQ(rest, blanks + strlen(blanks));

    Split s = SplitOf("prog   ");
    EXPECT_EQ(s.token, "prog");
    EXPECT_EQ(s.rest, "   ");

    s = SplitOf("");
    EXPECT_EQ(s.token, "");
    EXPECT_EQ(s.rest, "");
}

TEST(SplitFirstToken, NullSourceGivesEmptyTokenAndNull)
{
    Guarded destination(TOKEN_BUFFER);
    strcpy(destination.buffer(), "old");
    EXPECT_EQ(SplitFirstToken(nullptr, destination.buffer()), nullptr);
    EXPECT_STREQ(destination.buffer(), "");
    EXPECT_TRUE(destination.intact());
}

TEST(SplitFirstToken, CharactersAbove127BelongToTheToken)
{
    // Signed char must not turn these into separators.
    Split s = SplitOf("\xE9t\xE9\xFF\xA0 \x80");
    EXPECT_EQ(s.token, "\xE9t\xE9\xFF\xA0");
    EXPECT_EQ(s.rest, " \x80");
}

TEST(WorkingFolderOf, LastBackslashFromPositionThree)
{
    EXPECT_EQ(FolderOf("C:\\dir\\prog.exe"), "C:\\dir");
    EXPECT_EQ(FolderOf("C:\\a\\b\\"), "C:\\a\\b");
    EXPECT_EQ(FolderOf("\\\\server\\share\\x.exe"), "\\\\server\\share");
    // Position 3 is the first one searched.
    EXPECT_EQ(FolderOf("abc\\x"), "abc");
    EXPECT_EQ(FolderOf("ab\\c\\d"), "ab\\c");
}

TEST(WorkingFolderOf, DriveRootKeepsItsBackslash)
{
    EXPECT_EQ(FolderOf("C:\\a.exe"), "C:\\");
    EXPECT_EQ(FolderOf("C:\\"), "C:\\");
}

TEST(WorkingFolderOf, NoFolderKeepsTheCallersFolder)
{
    for (const char* path : {"", "C", "C:", "\\", "\\\\", "a\\", "prog.exe", "\\ab", "notepad x"})
        EXPECT_EQ(FolderOf(path), "C:\\windows") << path;
    // Quotes are the caller's to remove: a quoted path yields its quote with the folder.
    EXPECT_EQ(FolderOf("\"C:\\dir\\prog.exe\""), "\"C:\\dir");
}

TEST(ShellTextBadInput, RandomLinesStayInsideTheirBuffers)
{
    const char alphabet[] = "\"\"\" \\\\\\\t\x01\x1F" "a\xE9:";
    unsigned int seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    char line[LINE_MAX + 1];
    for (int round = 0; round < 3000; round++) {
        int length = round < 100 ? LINE_MAX : (int)(next() % (LINE_MAX + 1));
        for (int i = 0; i < length; i++)
            line[i] = alphabet[next() % (sizeof alphabet - 1)];
        line[length] = '\0';

        Split s = SplitOf(line);
        EXPECT_LE(s.token.size(), (size_t)length);
        EXPECT_EQ(s.token.find('"'), std::string::npos);
        // The token ends at a separator or at the end of the line.
        if (!s.rest.empty())
            EXPECT_LE((unsigned char)s.rest[0], 32) << line;

        std::string folder = FolderOf(line);
        EXPECT_TRUE(folder == "C:\\windows" || std::string(line).compare(0, folder.size(), folder) == 0)
            << line;
        if (HasFailure())
            break;
    }
}

TEST(ShellTextBadInput, LongestLineOfOneCharacter)
{
    for (char c : {'"', ' ', '\\', 'x'}) {
        std::string line(LINE_MAX, c);
        Split s = SplitOf(line.c_str());
        std::string folder = FolderOf(line.c_str());
        if (c == 'x') {
            EXPECT_EQ(s.token, line);
        } else if (c == '\\') {
            EXPECT_EQ(s.token, line);
            EXPECT_EQ(folder, line.substr(0, LINE_MAX - 1));
        } else {
            EXPECT_EQ(s.token, "");
            EXPECT_EQ(s.rest, "");
        }
    }
}
