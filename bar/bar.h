// The bar window: its procedure, moving and sizing, collapsing and the context menu.
#pragma once
#include <windows.h>

const int BUTTON_AREA_WIDTH = 22;   // the button's part of the bar; the combo box starts here
const int COMBO_MARGIN = 24;        // the combo box is this much narrower than the bar
const int COLLAPSED_WIDTH = 24;
const int MIN_BAR_WIDTH = 50;
const int ALWAYS_VISIBLE = 32;      // the part of a dragged bar that stays on the screen
const int COMBO_LIST_HEIGHT = 160;  // combo box height including its drop-down list
const int ANIMATION_STEP = 32;

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

void CollapseBar(HWND window);
void ExpandBar(HWND window);
void ToggleCollapsed(HWND window);
void CloseBar(HWND window);
void ShowBarMenu(HWND window, LPARAM lParam);
void RunBarMenuCommand(HWND window, int id);
