// Stand-in for the host's helper library, written from what the plug-in relies on.
// The configuration reference is the path of an INI file; a cursor remembers that path, whether
// it was opened for writing and the section it was pointed at. Values set through a writing
// cursor are held back and reach the file only when CloseCFGw ends the sequence, as with the
// host's own library: a caller that forgets to close loses its writes.
#include <windows.h>
#include <shellapi.h>
#include "hooks.h"

namespace {

struct Cursor {
    const char* file;
    int writing;
    char section[28];
};
static_assert(sizeof(Cursor) <= 36, "a cursor is 36 bytes");

// Values set but not yet stored; a cursor lives on its caller's stack, so entries are matched by
// its address and dropped when it is opened again.
struct Pending {
    const Cursor* cursor;
    char section[28];
    char key[64];
    int value;
};
const int PENDING_MAX = 64;
Pending pending[PENDING_MAX];
int pendingCount;

void DropPending(const Cursor* cursor)
{
    int kept = 0;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor != cursor)
            pending[kept++] = pending[i];
    pendingCount = kept;
}

KelvorObserver observer = nullptr;
int layeredAvailable = 1;

void Notify(const char* call, const char* key, int value)
{
    if (observer)
        observer(call, key, value);
}

bool ParseInt(const char* text, int* value)
{
    const char* c = text;
    while (*c == ' ' || *c == '\t')
        c++;
    bool negative = false;
    if (*c == '-' || *c == '+')
        negative = *c++ == '-';
    if (*c < '0' || *c > '9')
        return false;
    long long number = 0;
    for (; *c >= '0' && *c <= '9'; c++) {
        number = number * 10 + (*c - '0');
        if (number > 0x7FFFFFFFLL + 1)
            return false;
    }
    while (*c == ' ' || *c == '\t')
        c++;
    if (*c)
        return false;
    if (negative)
        number = -number;
    if (number > 0x7FFFFFFF || number < -0x7FFFFFFFLL - 1)
        return false;
    *value = (int)number;
    return true;
}

bool ReadValue(Cursor* cursor, const char* key, char* buffer, int size)
{
    if (!cursor->file || !cursor->section[0])
        return false;
    GetPrivateProfileStringA(cursor->section, key, "\x01", buffer, size, cursor->file);
    return !(buffer[0] == '\x01' && buffer[1] == '\0');
}

}  // namespace

extern "C" {

void __stdcall strcopy(char* destination, const char* source) { lstrcpyA(destination, source); }

char* __stdcall strecopy(char* destination, const char* source)
{
    lstrcpyA(destination, source);
    return destination + lstrlenA(destination);
}

void __stdcall strmoven(char* destination, const char* source, int count)
{
    if (count < 0)
        count = 0;
    CopyMemory(destination, source, count);
    destination[count] = '\0';
}

BOOL __stdcall IsPSTREmpty(const char* text) { return !text || !text[0]; }

void __stdcall Quote(char* text)
{
    int n = lstrlenA(text);
    MoveMemory(text + 1, text, n);
    text[0] = '"';
    text[n + 1] = '"';
    text[n + 2] = '\0';
}

void __stdcall Unquote(char* text)
{
    int n = lstrlenA(text);
    if (n >= 2 && text[0] == '"' && text[n - 1] == '"') {
        MoveMemory(text, text + 1, n - 2);
        text[n - 2] = '\0';
    }
}

BOOL __stdcall DirExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL __stdcall Run(const char* program, const char* parameters, const char* directory,
                   int showCommand, int flags)
{
    Notify("Run", program, showCommand);
    (void)flags;
    return (INT_PTR)ShellExecuteA(NULL, NULL, program, parameters, directory, showCommand) > 32;
}

void __stdcall CheckInt(int* value, int low, int high, int substitute)
{
    if (*value < low || *value > high)
        *value = substitute;
}

void __stdcall OpenCFGr(void* configuration, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    ZeroMemory(c, sizeof(ConfigCursor));
    c->file = (const char*)configuration;
    Notify("OpenCFGr", nullptr, 0);
}

void __stdcall CloseCFGr(ConfigCursor* cursor)
{
    ZeroMemory(cursor, sizeof(ConfigCursor));
    Notify("CloseCFGr", nullptr, 0);
}

void __stdcall OpenCFGw(void* configuration, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    DropPending(c);
    ZeroMemory(c, sizeof(ConfigCursor));
    c->file = (const char*)configuration;
    c->writing = 1;
    Notify("OpenCFGw", nullptr, 0);
}

void __stdcall CloseCFGw(void* configuration, int reserved, ConfigCursor* cursor)
{
    (void)reserved;
    Cursor* c = (Cursor*)cursor;
    if (c->writing && c->file && c->file == configuration) {
        for (int i = 0; i < pendingCount; i++) {
            if (pending[i].cursor != c)
                continue;
            char text[16];
            wsprintfA(text, "%d", pending[i].value);
            WritePrivateProfileStringA(pending[i].section, pending[i].key, text, c->file);
        }
        WritePrivateProfileStringA(NULL, NULL, NULL, c->file);  // flush the profile cache
    }
    DropPending(c);
    ZeroMemory(cursor, sizeof(ConfigCursor));
    Notify("CloseCFGw", nullptr, 0);
}

void __stdcall FindSection(const char* section, int forWriting, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    lstrcpynA(c->section, section ? section : "", sizeof c->section);
    Notify("FindSection", section, forWriting);
}

int __stdcall GetCFGInt(const char* key, int fallback, ConfigCursor* cursor)
{
    char text[64];
    int value;
    if (!ReadValue((Cursor*)cursor, key, text, sizeof text) || !ParseInt(text, &value))
        value = fallback;
    Notify("GetCFGInt", key, value);
    return value;
}

BOOL __stdcall GetCFGBool(const char* key, int fallback, ConfigCursor* cursor)
{
    char text[64];
    int value;
    BOOL result;
    if (!ReadValue((Cursor*)cursor, key, text, sizeof text))
        result = fallback != 0;
    else if (lstrcmpiA(text, "true") == 0 || lstrcmpiA(text, "yes") == 0)
        result = TRUE;
    else if (lstrcmpiA(text, "false") == 0 || lstrcmpiA(text, "no") == 0)
        result = FALSE;
    else if (ParseInt(text, &value))
        result = value != 0;
    else
        result = fallback != 0;
    Notify("GetCFGBool", key, result);
    return result;
}

void __stdcall SetCFGInt(const char* key, int value, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    Notify("SetCFGInt", key, value);
    // A reading cursor, or one not pointed at a section, stores nothing.
    if (!c->writing || !c->file || !c->section[0] || !key || !key[0])
        return;
    Pending* entry = nullptr;
    for (int i = 0; i < pendingCount && !entry; i++)
        if (pending[i].cursor == c && !lstrcmpiA(pending[i].section, c->section) &&
            !lstrcmpiA(pending[i].key, key))
            entry = &pending[i];
    if (!entry) {
        if (pendingCount == PENDING_MAX)
            return;
        entry = &pending[pendingCount++];
        entry->cursor = c;
        lstrcpynA(entry->section, c->section, sizeof entry->section);
        lstrcpynA(entry->key, key, sizeof entry->key);
    }
    entry->value = value;
}

DWORD __stdcall LayeredStyle(int reserved, unsigned char wanted)
{
    (void)reserved;
    return layeredAvailable && wanted ? WS_EX_LAYERED : 0;
}

void __stdcall SetLayered(HWND window, COLORREF colorKey, int opacity, int flags)
{
    Notify("SetLayered", nullptr, opacity);
    SetLayeredWindowAttributes(window, colorKey, (BYTE)opacity, flags);
}

// Not part of the library the plug-in sees: hooks for the project's tests and tools.
void __stdcall KelvorSetObserver(KelvorObserver callback) { observer = callback; }
void __stdcall KelvorSetLayeredAvailable(int available) { layeredAvailable = available; }

}  // extern "C"
