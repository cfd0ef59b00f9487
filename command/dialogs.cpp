// The open-file dialog, the host's properties request and the host's theme tool.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "../host/messages.h"
#include "command.h"
#include "textrules.h"
#include <commdlg.h>
#include <stddef.h>

static const char FileFilter[] =
    "Application (*.exe;*.com;*.bat)\0*.exe;*.com;*.bat\0"
    "Documents (*.txt;*.doc)\0*.txt;*.doc\0"
    "All Files (*.*)\0*.*\0";

const DWORD OPEN_FLAGS = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
// The record without the later extension fields, which every version of the dialog accepts:
// 76 bytes, 136 in the x64 build.
const DWORD OPENFILENAME_SIZE = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(OPENFILENAME_SIZE == (sizeof(void*) == 8 ? 136 : 76),
              "the record ends with its template name");
const int HOST_TEXT_BUFFER = 264;
// The tool's path (263 characters) or "/" and the host's text (262) at up to 3 bytes a character.
const int HOST_TEXT_BYTES = 3 * (HOST_TEXT_BUFFER - 1) + 1;
static const char ThemeToolName[] = "vestrad.exe";

BOOL ChooseFile(char* path, int size)
{
    // A folder that could not be read, or would not fit, leaves the dialog its own default.
    char windowsFolder[MAX_PATH];
    windowsFolder[0] = '\0';
    if (GetWindowsDirectoryA(windowsFolder, MAX_PATH) >= MAX_PATH)
        windowsFolder[0] = '\0';
    path[0] = '\0';

    OPENFILENAMEA request;
    ZeroMemory(&request, sizeof request);
    request.lStructSize = OPENFILENAME_SIZE;
    request.hwndOwner = State.bar;
    request.hInstance = State.instance;
    request.lpstrFilter = FileFilter;
    request.lpstrFile = path;
    request.nMaxFile = MinInt(size, LineReadLimit());
    request.lpstrInitialDir = windowsFolder[0] ? windowsFolder : NULL;
    request.Flags = OPEN_FLAGS;

    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGOPENING, 0, 0);
    BOOL chosen = GetOpenFileNameA(&request);
    SendMessageA(State.host.mainWindow, HOSTMSG_DIALOGCLOSED, 0, 0);
    if (!chosen)
        path[0] = '\0';
    return chosen ? TRUE : FALSE;
}

// The host promises at most 262 characters; a longer text is cut to fit rather than overrun, and
// between two characters.
void ShowProperties()
{
    char request[HOST_TEXT_BYTES];
    request[0] = '/';
    request[1] = '\0';
    HostPluginRecord* record = State.host.plugin;
    if (record && record->text) {
        int limit = (HOST_TEXT_BUFFER - 2) * CharacterBytes();
        int length = WholeCharacters(record->text, limit, GetACP());
        CopyMemory(request + 1, record->text, length);
        request[1 + length] = '\0';
    }
    SendMessageA(State.host.mainWindow, HOSTMSG_PROPERTIES, 0, (LPARAM)request);
}

// A host folder too long for the tool's path is skipped: a cut path would start another program.
void RunThemeTool()
{
    const char* folder = State.host.hostFolder;
    if (!folder)
        return;
    char path[HOST_TEXT_BYTES];
    if (lstrlenA(folder) + lstrlenA(ThemeToolName) >= (HOST_TEXT_BUFFER - 1) * CharacterBytes() + 1)
        return;
    strcopy(strecopy(path, folder), ThemeToolName);
    Run(path, 0, 0, 1, 0);
}
