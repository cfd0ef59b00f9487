// Run by fresh_prefix.sh inside a new Wine prefix that holds nothing of OrvelCmd but the unpacked
// archive (ORVEL_RELEASE_FOLDER). Starts the host program as a double-click in Explorer would,
// with its log at ORVEL_RELEASE_LOG, and drives its bar from outside, as a user's desktop sees it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <vector>
#include "harness/process.h"
#include "harness/testhost.h"

namespace {
std::string Setting(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

// Notepad is started by the shell on the bar's behalf: a process of its own, not the host's.
HWND VisibleNotepad()
{
    std::vector<HWND> found = ProcessWindows(0, "Notepad");
    return found.empty() ? NULL : found[0];
}

void CloseNotepad(HWND notepad)
{
    DWORD id = 0;
    GetWindowThreadProcessId(notepad, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    if (process)
        CloseHandle(process);
}

// Starts the unpacked host and waits for its bar; null, with the failure recorded, if none came.
HWND StartHost(const std::string& folder, const std::string& log, ProgramRun* host)
{
    std::string line = "\"" + folder + "\\OrvelCmd.exe\" --log \"" + log + "\"";
    if (!StartProgram(line, folder, host)) {
        ADD_FAILURE() << "error " << GetLastError();
        return NULL;
    }
    HWND bar = NULL;
    WaitUntil([&] {
        bar = WaitForProcessWindow(host->id, "Abrivel", 0);
        return bar || WaitForSingleObject(host->process, 0) == WAIT_OBJECT_0;
    }, 60000);
    if (!bar) {
        DWORD code = WaitForExit(host, 0);
        EndProgram(host);
        ADD_FAILURE() << "no bar of the host's process; host "
                      << (code == STILL_ACTIVE ? "still runs" : "ended with " + std::to_string(code));
    }
    return bar;
}

}  // namespace

TEST(UnpackedArchive, HostShowsTheBarOnTopAndATypedProgramStarts)
{
    std::string folder = Setting("ORVEL_RELEASE_FOLDER");
    std::string log = Setting("ORVEL_RELEASE_LOG");
    std::string appData = Setting("ORVEL_RELEASE_APPDATA");   // where the configuration belongs
    ASSERT_FALSE(folder.empty()) << "ORVEL_RELEASE_FOLDER names the unpacked archive";
    ASSERT_EQ(NULL, VisibleNotepad()) << "Notepad runs before anything was typed";

    ProgramRun host = {};
    HWND bar = StartHost(folder, log, &host);
    ASSERT_NE(bar, nullptr);
    // Where the guide says it is: the top left corner of the screen, above other windows.
    RECT place;
    GetWindowRect(bar, &place);
    EXPECT_EQ(0, place.left);
    EXPECT_LE(place.top, 1);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_EXSTYLE) & WS_EX_TOPMOST);

    TypeLine(bar, "notepad");
    HWND notepad = NULL;
    EXPECT_TRUE(WaitUntil([&] { return (notepad = VisibleNotepad()) != NULL; }, 30000))
        << "no Notepad window after typing notepad into the bar";
    if (notepad)
        CloseNotepad(notepad);
    EXPECT_EQ((DWORD)STILL_ACTIVE, WaitForExit(&host, 0)) << "the host ended by itself";

    // Collapsed, the bar keeps that in its configuration, and the next start shows it so.
    SendMessageA(bar, WM_CLOSE, 0, 0);
    EndProgram(&host);
    if (!appData.empty())
        EXPECT_NE(GetFileAttributesA((appData + "\\OrvelCmd\\OrvelCmd.ini").c_str()),
                  INVALID_FILE_ATTRIBUTES) << appData;
    ASSERT_NE(bar = StartHost(folder, log, &host), nullptr);
    GetWindowRect(bar, &place);
    EXPECT_LT(place.right - place.left, 50) << "the bar starts collapsed";
    EndProgram(&host);
}
