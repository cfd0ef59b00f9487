// The bar window: its procedure, moving and sizing, collapsing and the context menu.
#pragma once
#include <windows.h>
#include "../base/monitorcount.h"

const int BUTTON_AREA_WIDTH = 22;   // the button's part of the bar; the combo box starts here
const int COMBO_MARGIN = 24;        // the combo box is this much narrower than the bar
const int COLLAPSED_WIDTH = 24;
const int MIN_BAR_WIDTH = 50;
const int ALWAYS_VISIBLE = 32;      // the part of a dragged bar that stays on the screen
const int COMBO_LIST_HEIGHT = 160;  // combo box height including its drop-down list
const int ANIMATION_STEP = 32;
const int COMBO_TOP = 2;
const int BAR_HEIGHT_MARGIN = 4;    // the bar is this much taller than its combo box
const int BUTTON_SIZE = 13;         // the button square at 96 DPI
const int BUTTON_LEFT = 5;
// Every size above is at 96 DPI; Scale gives it at the bar's DPI.
const int BASE_DPI = 96;
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

enum BarMenuId {
    IDM_RUN = 98,
    IDM_OPEN = 99,
    IDM_RESTORE = 100,
    IDM_MINIMIZE = 101,
    IDM_PROPERTIES = 102,
};

LRESULT CALLBACK BarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintBar(HWND window);
int OpacityOf(int transparency);

void ResizeBar(int width, int height);
// The bar and its combo box to one width; flags are added to SWP_NOMOVE.
void SizeBarWindows(int width, int height, UINT flags);
LRESULT HitTestGrip(LRESULT hitCode, int screenX);
void BeginDrag(HWND window, int clientX);
void DragMove();
void EndDrag();
void SizeBarTo(RECT* proposed);

// DPI: sizes at the bar's DPI, its font and button images.
int Scale(int value);
int Unscale(int value);   // back to 96 DPI, for what the configuration stores
int BarDpi(HWND window);
void ApplyBarFont();
void LoadButtonImages();
int ComboHeight();
// False, and nothing done, for a message the platform would not send: to a thread unaware of
// each monitor's DPI, or without a place for the bar.
bool FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam);
bool PerMonitorAware();

// Several monitors: where a dragged bar may go, what it snaps to, and a bar on no monitor.
POINT MessagePoint(LPARAM lParam);   // the screen point of a message
bool SnapWorkArea(int x, int y, int width, RECT* work);
void KeepDragOnMonitors(int* x, int* y);
void KeepBarOnAMonitor();

void CollapseBar(HWND window);
void ExpandBar(HWND window);
void ToggleCollapsed(HWND window);
void CloseBar(HWND window);
void ShowBarMenu(HWND window, LPARAM lParam);
void RunBarMenuCommand(HWND window, int id);
