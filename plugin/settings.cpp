// The seven settings, read once at start; the four the user changes by handling the bar are
// written back at the moment they change.
#include "state.h"
#include "../host/kelvor.h"
#include "../bar/bar.h"

static const char SettingsSection[] = "Abrivel";
// Window coordinates end at 32767.
static const int FAR_PLACE = 30000;

void LoadSettings()
{
    ConfigCursor cursor;
    OpenCFGr(State.host.configuration, &cursor);
    FindSection(SettingsSection, 0, &cursor);

    // A value outside its range becomes the substitute, not the nearer limit.
    State.snap = GetCFGInt("Snap", 6, &cursor);
    CheckInt(&State.snap, 0, 20, 0);
    State.collapsed = GetCFGBool("Minimize", 0, &cursor) ? 1 : 0;
    State.width = GetCFGInt("Width", 400, &cursor);
    CheckInt(&State.width, 50, 2000, 50);
    // In an unaware host on one monitor the primary screen bounds the position. With several
    // monitors, or in a host aware of each monitor's DPI (a laptop started without its second
    // one), a place no monitor shows now is kept: the bar goes onto the nearest monitor until one
    // shows that place again, once it knows its size. Only a place beyond any screen is none.
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (SeveralMonitors() || PerMonitorAware())
        screen = RECT{-FAR_PLACE, -FAR_PLACE, FAR_PLACE + 8, FAR_PLACE + 8};
    State.xPos = GetCFGInt("XPos", 0, &cursor);
    CheckInt(&State.xPos, screen.left, screen.right - 8, 0);
    State.yPos = GetCFGInt("YPos", 1, &cursor);
    CheckInt(&State.yPos, screen.top, screen.bottom - 8, 0);
    State.autoComplete = GetCFGBool("AutoComplete", -1, &cursor) ? 1 : 0;
    State.transparency = GetCFGInt("Transparency", 0, &cursor);
    CheckInt(&State.transparency, 0, 70, 20);

    CloseCFGr(&cursor);
}

void SaveSettings()
{
    ConfigCursor cursor;
    OpenCFGw(State.host.configuration, &cursor);
    FindSection(SettingsSection, 1, &cursor);

    // While collapsed the bar is 24 wide; the width to come back to is what the user set. The
    // configuration holds the width at 96 DPI, so that it means the same on every monitor.
    SetCFGInt("Width", Unscale(State.collapsed ? State.savedWidth : State.width), &cursor);
    SetCFGInt("Minimize", State.collapsed ? 1 : 0, &cursor);
    RECT rect;
    if (!State.keepConfiguredPosition && GetWindowRect(State.bar, &rect)) {
        State.xPos = rect.left;
        State.yPos = rect.top;
    }
    SetCFGInt("XPos", State.xPos, &cursor);
    SetCFGInt("YPos", State.yPos, &cursor);

    CloseCFGw(State.host.configuration, 0, &cursor);
}
