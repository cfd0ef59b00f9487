// The module's one global record, zero at load and owned by the module while it is loaded.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include "../host/records.h"
#include "../command/textrules.h"

typedef HRESULT (WINAPI* AutoCompleteProc)(HWND, DWORD);

enum ButtonImage { IMAGE_COLLAPSED, IMAGE_FOCUSED, IMAGE_IDLE, IMAGE_COUNT };

// CommandBuffer, FailedCommand and BrowserPath hold a line (LINE_BYTES).
const int COMMAND_TEXT_MAX = LINE_BYTES;

struct PluginState {
    HINSTANCE instance;
    HostContext host;                // private copy of the host's record
    PluginInfo info;

    HWND bar;                        // 0 whenever no bar exists
    HWND combo;
    HWND input;                      // the combo box's edit control
    WNDPROC previousEditProc;
    HBITMAP images[IMAGE_COUNT];     // the button set of the bar's DPI; 100, 101, 102 at 96
    int imageSize;                   // pixel size of that set
    int dpi;                         // of the bar's monitor; 0 or 96 means unscaled
    HFONT font;                      // the input line's font away from 96 DPI; 0 at 96

    int width;                       // current width in pixels, recorded by WM_SIZE
    int barHeight;                   // combo box height + 4 (scaled)
    int savedWidth;                  // what expanding returns to; stored while collapsed
    int xPos;                        // configured position, virtual-screen pixels
    int yPos;
    BYTE keepConfiguredPosition;     // the bar was moved off its position only for want of a
                                     // monitor: saves keep the configured one until a drag
    int snap;                        // 0 switches snapping off
    int transparency;                // percent, 0 opaque
    BYTE collapsed;
    BYTE dragging;
    BYTE autoComplete;
    BYTE wow64;                      // a 32-bit process on 64-bit Windows; asked once per start
    BYTE elevation;                  // Windows asks for the administrator (Vista on); asked
                                     // once per start
    POINT lastCursor;                // screen position at the previous step of a drag
    DWORD layeredStyle;              // extended style LayeredStyle last answered
    APPBARDATA appBar;
    HMODULE autoCompleteLibrary;
    AutoCompleteProc autoCompleteEntry;

    char CommandBuffer[COMMAND_TEXT_MAX];
    char FailedCommand[COMMAND_TEXT_MAX];
    char BrowserPath[COMMAND_TEXT_MAX];
};

extern PluginState State;

// Settings in the host configuration, section "Abrivel".
void LoadSettings();
void SaveSettings();
extern const char AboutText[];
extern const char PluginName[];
extern const char BarClassName[];
extern const char BarTitle[];
