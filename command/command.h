// What happens to typed text: dispatch, the browser and shell roads, dot commands, history.
#pragma once
#include <windows.h>

LRESULT CALLBACK EditSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ExecuteInput();

void FindBrowser(char* destination);
void ShellRun();

void RunDotCommand(const char* text);
BOOL ChooseFile();
void ShowProperties();
void RunThemeTool();

void AddToHistory(const char* text);
void FillHistoryList(HWND combo);
void ClearHistory();

extern const char HistoryKeyPath[];
extern const char NotFoundText[];
extern const char SiteAddress[];
