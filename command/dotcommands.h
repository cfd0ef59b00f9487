// The 23 dot commands, declared once. The matcher and the command list (dotmatch.cpp), what
// RunDotCommand does (dotcmd.cpp) and the host program's names for its actions are all made from
// this list; a new command is one row here and, where the bar carries it out itself, its handler.
#pragma once

// The order matters: the first name that a typed word matches wins, so ".C" is CPanel and
// ".Clear" is ClearHistory. Columns:
//   name      as typed, recorded in the history and listed, with a leading "."
//   action    the host's action code the bar sends for it (host/messages.h), 0 for none
//   posted    the host message the bar posts for it, 0 for none
//   handler   what the bar does itself (dotcmd.cpp), 0 for nothing
//   recorded  whether running it is recorded in the history
//   listed    its line in the command list of ".Help", 0 for a command that works unlisted
#define DOT_COMMANDS(X) \
    X(Help,         0,                      0,                  ShowCommandList,   false, 1)  \
    X(About,        HOSTACTION_ABOUT,       0,                  0,                 true,  0)  \
    X(Recycle,      HOSTACTION_RECYCLE,     0,                  0,                 true,  3)  \
    X(MyComputer,   HOSTACTION_MYCOMPUTER,  0,                  0,                 true,  4)  \
    X(ShutDown,     HOSTACTION_SHUTDOWN,    0,                  0,                 true,  5)  \
    X(Logoff,       HOSTACTION_LOGOFF,      0,                  0,                 true,  6)  \
    X(CPanel,       HOSTACTION_CPANEL,      0,                  0,                 true,  7)  \
    X(Install,      0,                      0,                  StartInstallApplet, true, 8)  \
    X(SetupClock,   0,                      HOSTMSG_SETUPCLOCK, 0,                 true,  9)  \
    X(ClearHistory, 0,                      0,                  ForgetHistory,     false, 2)  \
    X(Master,       HOSTACTION_MASTER,      0,                  0,                 true,  10) \
    X(Wallpapers,   0,                      HOSTMSG_WALLPAPERS, 0,                 true,  11) \
    X(Theme,        0,                      0,                  StartThemeTool,    true,  12) \
    X(Printers,     HOSTACTION_PRINTERS,    0,                  0,                 true,  13) \
    X(Recent,       HOSTACTION_RECENT,      0,                  0,                 true,  14) \
    X(Find,         HOSTACTION_FIND,        0,                  0,                 true,  15) \
    X(Open,         0,                      0,                  OpenChosenFile,    true,  16) \
    X(Screen,       HOSTACTION_SCREEN,      0,                  0,                 true,  17) \
    X(ClearRecent,  HOSTACTION_CLEARRECENT, 0,                  0,                 true,  18) \
    X(Desktop,      HOSTACTION_DESKTOP,     0,                  0,                 true,  19) \
    X(Properties,   0,                      0,                  AskForProperties,  true,  0)  \
    X(Site,         0,                      0,                  OpenSite,          true,  20) \
    X(Error,        0,                      0,                  BringBackFailed,   false, 0)

// Numbered 1 to 23 in table order; 0 is no match.
#define DOT_COMMAND_NUMBER(name, action, posted, handler, recorded, listed) DOT_##name,
enum DotCommand { DOT_NONE, DOT_COMMANDS(DOT_COMMAND_NUMBER) DOT_COMMAND_END };
#undef DOT_COMMAND_NUMBER
const int DOT_COMMAND_COUNT = DOT_COMMAND_END - 1;
