// Folding the bar to its 24-pixel button and unfolding it, with a short animation.
#include "../plugin/state.h"
#include "bar.h"

static void ShowStep(HWND window)
{
    InvalidateRect(window, NULL, FALSE);
    UpdateWindow(window);
}

void CollapseBar(HWND window)
{
    // WM_SIZE records each step's width, so every offset is taken off the width reached before:
    // 400 goes 399, 366, 301, 204, 75, 24.
    for (int offset = 1; offset < State.width - Scale(COLLAPSED_WIDTH);
         offset += Scale(ANIMATION_STEP)) {
        ResizeBar(State.width - offset, State.barHeight);
        ShowStep(window);
        Sleep(1);
    }
    ResizeBar(Scale(COLLAPSED_WIDTH), State.barHeight);
    // Only now: the button keeps its expanded image during the animation.
    State.collapsed = 1;
    ShowStep(window);
}

void ExpandBar(HWND window)
{
    for (int remaining = State.savedWidth - Scale(COLLAPSED_WIDTH); remaining > 0;
         remaining -= Scale(ANIMATION_STEP)) {
        ResizeBar(State.savedWidth - remaining, State.barHeight);
        ShowStep(window);
        Sleep(1);
    }
    ResizeBar(State.savedWidth, State.barHeight);
    State.collapsed = 0;
    ShowStep(window);
}

static void Collapse(HWND window)
{
    State.savedWidth = State.width;
    CollapseBar(window);
}

// The saves of WM_SIZE during the animation store passing widths; this one stores the end state.
void ToggleCollapsed(HWND window)
{
    if (State.collapsed)
        ExpandBar(window);
    else
        Collapse(window);
    SaveSettings();
}

void CloseBar(HWND window)
{
    // A close request never destroys the bar; a collapsed bar only saves.
    if (!State.collapsed)
        Collapse(window);
    SaveSettings();
}
