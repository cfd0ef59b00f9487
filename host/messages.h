// Every private message between the bar and the host window, and the host's action codes.
#pragma once
#include <windows.h>

enum HostMessage : UINT {
    HOSTMSG_ASKTOPMOST     = 0x7FBE,  // sent at start; an answer of 0 makes the bar topmost
    HOSTMSG_AUTOCOMPLETE   = 0x7FBF,  // sent just before shell auto-completion is attached
    HOSTMSG_WALLPAPERS     = 0x7FD7,  // posted
    HOSTMSG_PROPERTIES     = 0x7FD9,  // sent; lParam "/" followed by the host's text
    HOSTMSG_DIALOGCLOSED   = 0x7FE1,  // sent just after a modal dialog of the plug-in closes
    HOSTMSG_DIALOGOPENING  = 0x7FE2,  // sent just before it opens
    HOSTMSG_SETUPCLOCK     = 0x7FEC,  // posted
    HOSTMSG_COMMAND        = 0x7FF1,  // sent; lParam a HostCommand on the sender's stack
};

// The shell's app-bar notifications reach the bar with this callback message.
const UINT BARMSG_APPBAR = 0x402;

enum HostAction : DWORD {
    HOSTACTION_SHUTDOWN    = 3,
    HOSTACTION_RECYCLE     = 4,
    HOSTACTION_DESKTOP     = 7,
    HOSTACTION_CLEARRECENT = 12,
    HOSTACTION_SCREEN      = 13,
    HOSTACTION_FIND        = 15,
    HOSTACTION_LOGOFF      = 17,
    HOSTACTION_MASTER      = 18,
    HOSTACTION_ABOUT       = 20,
    HOSTACTION_RECENT      = 53,
    HOSTACTION_CPANEL      = 59,
    HOSTACTION_PRINTERS    = 60,
    HOSTACTION_MYCOMPUTER  = 62,
};
