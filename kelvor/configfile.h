// The configuration file on disk: read whole, and replaced whole so that a save that fails part
// of the way leaves the previous file as it was.
#pragma once
#include "inifile.h"

// A path in bytes: under a UTF-8 code page a character of a MAX_PATH path takes up to 3 bytes.
const int PATH_BYTES = 3 * (MAX_PATH - 1) + 1;

// The file's bytes on the process heap, released by FreeConfigText. A missing file reads as an
// empty text; false when the file exists but cannot be read, or is larger than INI_TEXT_MAX.
struct ConfigText {
    char* text;
    int length;
};
bool ReadConfigText(const char* path, ConfigText* file);
void FreeConfigText(ConfigText* file);

// The file with the values merged in. The new text goes to a temporary file beside it (the
// name with ".new" added), flushed to the disk and then renamed over the old one; on any failure
// the temporary file is removed, the old file is untouched and false is returned.
bool SaveConfigValues(const char* path, const IniValue* values, int count);
