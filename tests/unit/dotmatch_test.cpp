// The rule that matches a typed word against the dot-command names, in the table's order.
#include "command/textrules.h"
#include <gtest/gtest.h>
#include <climits>
#include <string>

TEST(DotMatch, TypedWordsFindTheFirstNameTheyAgreeWith)
{
    struct Case { const char* typed; const char* name; };  // null: no match
    const Case cases[] = {
        {"help", "Help"}, {"HELP", "Help"}, {"cLeArHiStOrY", "ClearHistory"}, {"error", "Error"},
        // A beginning selects the first name in table order.
        {"Sh", "ShutDown"}, {"S", "ShutDown"}, {"Clear", "ClearHistory"}, {"ClearR", "ClearRecent"},
        {"Rec", "Recycle"}, {"Rece", "Recent"}, {"P", "Printers"}, {"Pro", "Properties"},
        {"C", "CPanel"}, {"M", "MyComputer"}, {"Sc", "Screen"}, {"Si", "Site"},
        // A word that begins with a whole name, whatever follows.
        {"ShutDownNow", "ShutDown"}, {"Open notes.txt", "Open"}, {"Error: not found", "Error"},
        {"HELP me", "Help"},
        // A line of the dot alone, of two dots, a blank first: no name begins so.
        {"", nullptr}, {"xyz", nullptr}, {" Help", nullptr}, {"Hx", nullptr}, {".", nullptr},
        {"Helq", nullptr},
    };
    for (const Case& c : cases) {
        int number = MatchDotCommand(c.typed);
        EXPECT_STREQ(number ? DotCommandTable[number].name : nullptr, c.name) << c.typed;
    }
    // No name begins with a whole earlier one, so every name finds itself.
    for (int number = 1; number <= DOT_COMMAND_COUNT; number++)
        EXPECT_EQ(MatchDotCommand(DotCommandTable[number].name), number) << DotCommandTable[number].name;
}

TEST(DotMatch, LongTextsWithBlanksAndQuotes)
{
    // The longest line the input accepts is 259 characters, 258 after the dot.
    std::string text = "Recycle \"";
    while (text.size() < 257)
        text += (text.size() % 3) ? 'x' : ' ';
    text += '"';
    ASSERT_EQ(text.size(), 258u);
    EXPECT_EQ(MatchDotCommand(text.c_str()), DOT_Recycle);
    text[0] = '"';
    EXPECT_EQ(MatchDotCommand(text.c_str()), DOT_NONE);
    EXPECT_EQ(MatchDotCommand(std::string(258, '"').c_str()), DOT_NONE);
}

TEST(DotMatch, MinInt)
{
    EXPECT_EQ(MinInt(3, 7), 3);
    EXPECT_EQ(MinInt(7, 3), 3);
    EXPECT_EQ(MinInt(-5, 2), -5);
    EXPECT_EQ(MinInt(4, 4), 4);
    EXPECT_EQ(MinInt(INT_MIN, INT_MAX), INT_MIN);
}
