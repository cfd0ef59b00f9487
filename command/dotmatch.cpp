// The dot-command names, the rule that matches a typed word against them, and the command list.
#include <windows.h>
#include "../host/kelvor.h"
#include "textrules.h"

const int COMPARE_BUFFER = 64;  // longer than any name; a comparison copies no more than the name

#define DOT_COMMAND_ROW(name, action, posted, handler, recorded, listed) \
    {DOT_##name, #name, recorded, listed},
constexpr DotCommandRow DotCommandTable[DOT_COMMAND_COUNT + 1] = {
    {DOT_NONE, "", false, 0},
    DOT_COMMANDS(DOT_COMMAND_ROW)
};
#undef DOT_COMMAND_ROW

namespace {

constexpr int TextLength(const char* text)
{
    int length = 0;
    while (text[length])
        length++;
    return length;
}

constexpr int ListedCount()
{
    int count = 0;
    for (const DotCommandRow& row : DotCommandTable)
        count += row.listed ? 1 : 0;
    return count;
}

// Every row stands at its own number, every name fits the comparison buffers with its dot, and
// the listed rows fill the lines 1 to ListedCount() once each.
constexpr bool TableIsSound()
{
    for (int number = 0; number <= DOT_COMMAND_COUNT; number++) {
        const DotCommandRow& row = DotCommandTable[number];
        if (row.number != number || 1 + TextLength(row.name) >= COMPARE_BUFFER)
            return false;
        if (row.listed < 0 || row.listed > ListedCount())
            return false;
        for (int other = number + 1; other <= DOT_COMMAND_COUNT; other++)
            if (row.listed && DotCommandTable[other].listed == row.listed)
                return false;
    }
    return true;
}
static_assert(TableIsSound(), "each dot command at its number, each listed line once");

constexpr int CommandListBytes()
{
    int bytes = 0;
    for (const DotCommandRow& row : DotCommandTable)
        if (row.listed)
            bytes += 2 + 1 + TextLength(row.name);  // CR LF before all but the first, the dot
    return bytes - 2 + 1;
}

struct CommandList {
    char text[CommandListBytes()];
};

constexpr CommandList MakeCommandList()
{
    CommandList list = {};
    int at = 0;
    for (int line = 1; line <= ListedCount(); line++) {
        for (const DotCommandRow& row : DotCommandTable) {
            if (row.listed != line)
                continue;
            if (line > 1) {
                list.text[at++] = '\r';
                list.text[at++] = '\n';
            }
            list.text[at++] = '.';
            for (const char* c = row.name; *c; c++)
                list.text[at++] = *c;
        }
    }
    return list;
}

constexpr CommandList TheCommandList = MakeCommandList();

}  // namespace

const char* const CommandListText = TheCommandList.text;

// Both sides are cut to the shorter length: a beginning of a name matches it, and so does a
// word that begins with a whole name, whatever follows.
int MatchDotCommand(const char* text)
{
    int length = lstrlenA(text);
    if (length == 0)
        return DOT_NONE;
    char name[COMPARE_BUFFER];
    char typed[COMPARE_BUFFER];
    for (int number = 1; number <= DOT_COMMAND_COUNT; number++) {
        int n = MinInt(length, lstrlenA(DotCommandTable[number].name));
        strmoven(name, DotCommandTable[number].name, n);
        strmoven(typed, text, n);
        if (CompareNoCase(name, typed) == 0)
            return number;
    }
    return DOT_NONE;
}
