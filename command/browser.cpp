// The default browser: whatever program the platform opens a probe ".htm" file with, found
// once per start and cached.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"
#include <shellapi.h>

static const char ProbeName[] = "orveladdressbar.htm";
static const char FallbackBrowser[] = "explorer.exe";

static void DiscoverBrowser()
{
    char folder[MAX_PATH];
    folder[0] = '\0';
    DWORD length = GetTempPathA(MAX_PATH, folder);
    // A failed or overlong answer may leave the buffer unterminated; the probe then goes by its
    // bare name to the current folder rather than to half a path.
    if (length == 0 || length >= MAX_PATH)
        folder[0] = '\0';

    char probe[MAX_PATH + 1 + sizeof ProbeName];
    strcopy(probe, folder);
    JoinPath(probe, ProbeName);

    // Opened, not emptied, if it exists; held open during the query.
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    HINSTANCE found = FindExecutableA(probe, folder, State.BrowserPath);
    if ((INT_PTR)found > 32)
        GetShortPathNameA(State.BrowserPath, State.BrowserPath, MAX_PATH);
    // An empty answer would leave the cache empty and repeat the search for every address.
    if ((INT_PTR)found <= 32 || IsPSTREmpty(State.BrowserPath))
        strcopy(State.BrowserPath, FallbackBrowser);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    DeleteFileA(probe);
}

void FindBrowser(char* destination)
{
    if (IsPSTREmpty(State.BrowserPath))
        DiscoverBrowser();
    strcopy(destination, State.BrowserPath);
}
