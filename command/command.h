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
