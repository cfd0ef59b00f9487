// The configuration file on disk: read whole, and replaced whole so that a save that fails part
// of the way leaves the previous file as it was.
#pragma once
#include <windows.h>
#include "inifile.h"

// A path in bytes: under a UTF-8 code page a character of a MAX_PATH path takes up to 3 bytes.
const int PATH_BYTES = 3 * (MAX_PATH - 1) + 1;

// The file's bytes on the process heap, released by FreeConfigText. A missing file reads as an
// empty text; false when the file exists but cannot be read, or is larger than INI_TEXT_MAX.
struct ConfigText {
    char* text;
    int length;
    // What the file was when it was read; unset when there was none.
    bool stamped;
    DWORD sizeLow, sizeHigh;
    FILETIME written;
};
bool ReadConfigText(const char* path, ConfigText* file);
void FreeConfigText(ConfigText* file);

// The file with the values merged in: ERROR_SUCCESS, or the system's error code of the step that
// failed, in which case the file is as it was. A symbolic link is followed and its target
// replaced. The new text goes to a temporary file of its own name in the target's folder, flushed
// to the disk, then put in the file's place (ReplaceFile keeps the old file's attributes,
// security and streams); a file another program changed meanwhile is read and merged again.
// With patient, a file that another program holds is tried again for half a second; without,
// the save fails at once, as the bar's own saves must: they run on its user-interface thread.
DWORD SaveConfigValues(const char* path, const IniValue* values, int count, bool patient);

// Steps of a save where the project's tests make a failure happen (disks do not fill on demand).
enum SaveStep { SAVE_STEP_NONE, SAVE_STEP_WRITE, SAVE_STEP_FLUSH, SAVE_STEP_REPLACE };
void FailSaveStep(int step, DWORD error);
// Called with the file's path just before it is replaced, where a test edits it as another
// program would; NULL calls nothing.
void WhenReplacing(void(__stdcall* call)(const char* path));
