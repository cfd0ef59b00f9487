// The host program's one state record and its names.
#include "hostapp.h"

HostApp App;

const char HostSection[] = "OrvelHost";
const char HotkeyKey[] = "Hotkey";
const char ProgramName[] = "OrvelCmd";
const char HostWindowClass[] = "OrvelCmdHost";
