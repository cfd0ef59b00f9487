// The configuration file's text: "[section]" lines, "name=value" lines and ";" comments. Reading
// a value and merging new values into the text are one set of rules, kept free of windows and of
// file I/O so that they can be tested on their own. Texts are spans (not NUL-terminated); names
// are compared without regard to case (ASCII letters), blanks around names and values are not
// part of them.
#pragma once

// A file larger than this is not read and a merge that would make one fails: the library reads
// the whole file for every value.
const int INI_TEXT_MAX = 16 * 1024 * 1024;
// The most values one merge takes (the library holds at most this many pending writes).
const int INI_VALUES_MAX = 64;

struct IniValue {
    const char* section;
    const char* key;
    int value;
};

// Names that read back as themselves once written: not empty, no line break, no blank at either
// end; a section has no ']', a key has no '=' and does not begin with '[' or ';'.
bool IniSectionNameValid(const char* name);
bool IniKeyNameValid(const char* name);

// The value of key in the first section of that name (the first such key there): its first
// character and length; matching quotes around it are not part of it. False when absent.
bool IniFindValue(const char* text, int length, const char* section, const char* key,
                  const char** value, int* valueLength);

// An integer with an optional sign and blanks around it; false when the text is anything else
// or out of the 32-bit range.
bool IniParseInt(const char* text, int length, int* value);
// true, yes, false, no (any case) or an integer (nonzero is true); false when unreadable.
bool IniParseBool(const char* text, int length, bool* result);

// Writes the text with the values merged in to out, at most size bytes (no NUL is added), and
// returns the length of the whole merged text, or -1 when it cannot be merged (a UTF-16 text, too
// many values, a result over INI_TEXT_MAX). A result above size means out holds only its
// beginning: call with size 0 to measure. The first key of that name in the first section of
// that name gets the new value in place; a key not there is added after the last non-blank line
// of that section; a section not there is added at the end. Every other line is kept as it was,
// and every line ends with CR LF. Of values with the same section and key the last one counts;
// values with invalid names are left out.
int IniMerge(const char* text, int length, const IniValue* values, int count, char* out,
             int size);
