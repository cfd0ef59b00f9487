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

TEST(SplitFirstToken, TokenAndTheRestAfterIt)
{
    struct Case { const char* source; const char* token; const char* rest; };
    const Case cases[] = {
        // Blanks, control characters and empty quotes before the token are skipped.
        {"  \t\x01\x1F prog arg", "prog", " arg"}, {"\"\" x", "x", ""}, {" \"\"\"\" \"\"y z", "y", " z"},
        // Quoted runs join their neighbours; one never closed runs to the end of the text.
        {"a\"b c\"d e", "ab cd", " e"},
        {"\"C:\\my dir\\prog.exe\" -x \"y z\"", "C:\\my dir\\prog.exe", " -x \"y z\""},
        {"\"C:\\my dir\\prog.exe -x", "C:\\my dir\\prog.exe -x", ""}, {"ab\"", "ab", ""},
        // Blanks only, blanks after the token, nothing at all.
        {"   \t ", "", ""}, {"prog   ", "prog", "   "}, {"", "", ""},
        // Signed char must not turn characters above 127 into separators.
        {"\xE9t\xE9\xFF\xA0 \x80", "\xE9t\xE9\xFF\xA0", " \x80"},
    };
    for (const Case& c : cases) {
        Split split = SplitOf(c.source);
        EXPECT_EQ(split.token, c.token) << c.source;
        EXPECT_EQ(split.rest, c.rest) << c.source;
    }
}

TEST(SplitFirstToken, NullSourceGivesEmptyTokenAndNull)
{
    Guarded destination(TOKEN_BUFFER);
    strcpy(destination.buffer(), "old");
    EXPECT_EQ(SplitFirstToken(nullptr, destination.buffer()), nullptr);
    EXPECT_STREQ(destination.buffer(), "");
    EXPECT_TRUE(destination.intact());
}

// The last backslash from position 3 on; a drive root keeps its backslash; without a folder the
// caller's stays. Quotes are the caller's to remove: a quoted path yields its quote.
TEST(WorkingFolderOf, LastBackslashFromPositionThree)
{
    const char* const cases[][2] = {
        {"C:\\dir\\prog.exe", "C:\\dir"}, {"C:\\a\\b\\", "C:\\a\\b"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share"}, {"abc\\x", "abc"}, {"ab\\c\\d", "ab\\c"},
        {"C:\\a.exe", "C:\\"}, {"C:\\", "C:\\"}, {"\"C:\\dir\\prog.exe\"", "\"C:\\dir"},
        {"", "C:\\windows"}, {"C", "C:\\windows"}, {"C:", "C:\\windows"}, {"\\", "C:\\windows"},
        {"\\\\", "C:\\windows"}, {"a\\", "C:\\windows"}, {"prog.exe", "C:\\windows"},
        {"\\ab", "C:\\windows"}, {"notepad x", "C:\\windows"},
    };
    for (auto& c : cases)
        EXPECT_EQ(FolderOf(c[0]), c[1]) << c[0];
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
