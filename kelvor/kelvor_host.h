// What the host program asks of the helper library beyond the plug-in's functions. The host
// looks these up by name at run time.
#pragma once
#include "../host/kelvor.h"

extern "C" {
// Writes the configuration file the host should use into path (size bytes, NUL included) and
// returns its length: OrvelCmd.ini beside the program when that file exists there, otherwise
// OrvelCmd\OrvelCmd.ini in the user's application data, the folder being created. 0 (and an
// empty path when there is room for that) when the path does not fit or the folder cannot be
// made: never a shortened path.
int __stdcall KelvorConfigPath(char* path, int size);
// Where the library reports what fails out of its callers' sight (a save of the plug-in's that
// could not be stored): one line, without its line end. NULL reports nowhere.
typedef void(__stdcall* KelvorLog)(const char* line);
void __stdcall KelvorSetLog(KelvorLog callback);
// CloseCFGw for the host's own saves: a file another program holds is tried again for half a
// second, which the bar's own saves, on its user-interface thread, never wait for.
BOOL __stdcall KelvorCloseCFGwRetrying(void* configuration, int reserved, ConfigCursor* cursor);
}
