// The dot-command names and the rule that matches a typed word against them.
#include <windows.h>
#include "../host/kelvor.h"
#include "textrules.h"

// The order matters: the first match wins, so ".C" is CPanel and ".Clear" is ClearHistory.
const char* const DotCommandTable[DOT_COMMAND_COUNT + 1] = {
    "",
    "Help", "About", "Recycle", "MyComputer", "ShutDown", "Logoff", "CPanel", "Install",
    "SetupClock", "ClearHistory", "Master", "Wallpapers", "Theme", "Printers", "Recent", "Find",
    "Open", "Screen", "ClearRecent", "Desktop", "Properties", "Site", "Error",
};

const char CommandListText[] =
    ".Help\r\n.ClearHistory\r\n.Recycle\r\n.MyComputer\r\n.ShutDown\r\n.Logoff\r\n.CPanel\r\n"
    ".Install\r\n.SetupClock\r\n.Master\r\n.Wallpapers\r\n.Theme\r\n.Printers\r\n.Recent\r\n"
    ".Find\r\n.Open\r\n.Screen\r\n.ClearRecent\r\n.Desktop\r\n.Site";

const int COMPARE_BUFFER = 64;  // longer than any name; a comparison copies no more than the name

// Both sides are cut to the shorter length: a beginning of a name matches it, and so does a
// word that begins with a whole name, whatever follows.
int MatchDotCommand(const char* text)
{
    int length = lstrlenA(text);
    if (length == 0)
        return 0;
    char name[COMPARE_BUFFER];
    char typed[COMPARE_BUFFER];
    for (int number = 1; number <= DOT_COMMAND_COUNT; number++) {
        int n = MinInt(length, lstrlenA(DotCommandTable[number]));
        strmoven(name, DotCommandTable[number], n);
        strmoven(typed, text, n);
        if (CompareNoCase(name, typed) == 0)
            return number;
    }
    return 0;
}
