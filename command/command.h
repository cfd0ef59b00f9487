// What happens to typed text: dispatch, the browser and shell roads, dot commands, history.
#pragma once
#include <windows.h>

LRESULT CALLBACK EditSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Ctrl+Shift+Enter runs the line elevated; every other caller runs it as the user.
void ExecuteInput(bool elevated = false);
bool ReadInputLine();

void FindBrowser(char* destination);
void OpenWebTarget();
void ShellRun(bool elevated);

// The extensions of programs (EXTENSIONS_TEXT bytes): PATHEXT where set, else the ones every
// Windows has.
const int EXTENSIONS_TEXT = 512;
void ReadProgramExtensions(char* extensions);
// Where programs are registered by name, under HKCU and HKLM.
extern const char AppPathsKey[];

// The shell road under WOW64 (nativeroad.cpp). The text to run for a typed one: the two program
// folders' variables with their 64-bit meaning, and a path into System32 through Sysnative where
// it names a folder or starts a program; typed itself when nothing changes, else mapped.
const char* NativeTextToRun(const char* typed, char* mapped, int size);
// A folder found through Sysnative, renamed in place as the 64-bit Explorer knows it.
void ExploredAsSeen(char* folder);
// A bare program name under App Paths of the 64-bit registry, HKCU then HKLM: its program and
// the folder it starts in (MAX_PATH each), as a 32-bit process must name them.
bool NativeAppPath(const char* name, char* program, char* folder);
// A document that only the 64-bit system folder holds: its handler, the document as that
// handler can open it (quoted) and the folder to start in (MAX_PATH each).
bool NativeDocument(const char* typed, char* handler, char* document, char* folder);

// The most bytes one character takes in the process's code page (1 to 3), and the WM_GETTEXT
// limit that reads the whole input line: MAX_PATH where a character is one byte.
int CharacterBytes();
int LineReadLimit();

void RunDotCommand(const char* text);
// The open-file dialog: the chosen path in path (size bytes), or false and path empty.
BOOL ChooseFile(char* path, int size);
void ShowProperties();
void RunThemeTool();

void AddToHistory(const char* text);
void FillHistoryList(HWND combo);
void ClearHistory();

extern const char HistoryKeyPath[];
extern const char SiteAddress[];
