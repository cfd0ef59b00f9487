// The dot-command names, the rule that matches a typed word against them, and the command list.
#include "command/textrules.h"
#include <gtest/gtest.h>
#include <climits>
#include <string>
#include <vector>

namespace {
int NumberOf(const char* name)
{
    for (int number = 1; number <= DOT_COMMAND_COUNT; number++)
        if (std::string(DotCommandTable[number]) == name)
            return number;
    return -1;
}
}  // namespace

TEST(DotMatch, TableOrderAndNumbers)
{
    const char* const expected[] = {
        "Help", "About", "Recycle", "MyComputer", "ShutDown", "Logoff", "CPanel", "Install",
        "SetupClock", "ClearHistory", "Master", "Wallpapers", "Theme", "Printers", "Recent",
        "Find", "Open", "Screen", "ClearRecent", "Desktop", "Properties", "Site", "Error",
    };
    ASSERT_EQ(DOT_COMMAND_COUNT, 23);
    for (int i = 0; i < 23; i++)
        EXPECT_STREQ(DotCommandTable[i + 1], expected[i]) << "entry " << i + 1;
}

TEST(DotMatch, WholeNamesWithoutRegardToCase)
{
    EXPECT_EQ(MatchDotCommand("help"), 1);
    EXPECT_EQ(MatchDotCommand("HELP"), 1);
    EXPECT_EQ(MatchDotCommand("Help"), 1);
    EXPECT_EQ(MatchDotCommand("about"), 2);
    EXPECT_EQ(MatchDotCommand("cLeArHiStOrY"), 10);
    EXPECT_EQ(MatchDotCommand("error"), 23);
    // No name begins with a whole earlier one, so every name finds itself.
    for (int number = 1; number <= DOT_COMMAND_COUNT; number++)
        EXPECT_EQ(MatchDotCommand(DotCommandTable[number]), number) << DotCommandTable[number];
}

TEST(DotMatch, NothingMatches)
{
    EXPECT_EQ(MatchDotCommand(""), 0);           // a line holding only the dot
    EXPECT_EQ(MatchDotCommand("xyz"), 0);
    EXPECT_EQ(MatchDotCommand(" Help"), 0);      // no name begins with a blank
    EXPECT_EQ(MatchDotCommand("Hx"), 0);
    EXPECT_EQ(MatchDotCommand("."), 0);          // a line of two dots
    EXPECT_EQ(MatchDotCommand("Helq"), 0);
}

TEST(DotMatch, BeginningsSelectTheFirstNameInTableOrder)
{
    EXPECT_EQ(MatchDotCommand("Sh"), NumberOf("ShutDown"));
    EXPECT_EQ(MatchDotCommand("S"), NumberOf("ShutDown"));
    EXPECT_EQ(MatchDotCommand("Clear"), NumberOf("ClearHistory"));
    EXPECT_EQ(MatchDotCommand("ClearR"), NumberOf("ClearRecent"));
    EXPECT_EQ(MatchDotCommand("Rec"), NumberOf("Recycle"));
    EXPECT_EQ(MatchDotCommand("Rece"), NumberOf("Recent"));
    EXPECT_EQ(MatchDotCommand("P"), NumberOf("Printers"));
    EXPECT_EQ(MatchDotCommand("Pro"), NumberOf("Properties"));
    EXPECT_EQ(MatchDotCommand("C"), NumberOf("CPanel"));
    EXPECT_EQ(MatchDotCommand("M"), NumberOf("MyComputer"));
    EXPECT_EQ(MatchDotCommand("Sc"), NumberOf("Screen"));
    EXPECT_EQ(MatchDotCommand("Si"), NumberOf("Site"));
}

TEST(DotMatch, WordsThatBeginWithAWholeName)
{
    EXPECT_EQ(MatchDotCommand("ShutDownNow"), NumberOf("ShutDown"));
    EXPECT_EQ(MatchDotCommand("Open notes.txt"), NumberOf("Open"));
    EXPECT_EQ(MatchDotCommand("Error: not found"), NumberOf("Error"));
    EXPECT_EQ(MatchDotCommand("HELP me"), NumberOf("Help"));
}

TEST(DotMatch, LongTextsWithBlanksAndQuotes)
{
    // The longest line the input accepts is 259 characters, 258 after the dot.
    std::string text = "Recycle \"";
    while (text.size() < 257)
        text += (text.size() % 3) ? 'x' : ' ';
    text += '"';
    ASSERT_EQ(text.size(), 258u);
    EXPECT_EQ(MatchDotCommand(text.c_str()), NumberOf("Recycle"));
    text[0] = '"';
    EXPECT_EQ(MatchDotCommand(text.c_str()), 0);
    std::string quotes(258, '"');
    EXPECT_EQ(MatchDotCommand(quotes.c_str()), 0);
}

TEST(DotMatch, CommandListText)
{
    std::vector<std::string> lines;
    std::string text = CommandListText;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));  // after the last separator: no CR LF at the end

    const char* const expected[] = {
        ".Help", ".ClearHistory", ".Recycle", ".MyComputer", ".ShutDown", ".Logoff", ".CPanel",
        ".Install", ".SetupClock", ".Master", ".Wallpapers", ".Theme", ".Printers", ".Recent",
        ".Find", ".Open", ".Screen", ".ClearRecent", ".Desktop", ".Site",
    };
    ASSERT_EQ(lines.size(), 20u) << text;
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    // No stray CR or LF inside a line.
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
}

TEST(DotMatch, MinInt)
{
    EXPECT_EQ(MinInt(3, 7), 3);
    EXPECT_EQ(MinInt(7, 3), 3);
    EXPECT_EQ(MinInt(-5, 2), -5);
    EXPECT_EQ(MinInt(4, 4), 4);
    EXPECT_EQ(MinInt(INT_MIN, INT_MAX), INT_MIN);
}
