// The helper library the plug-in imports: texts, starting programs, layered windows and the
// configuration. The configuration reference is the path of an INI file; a cursor remembers that
// path, whether it was opened for writing and the section it was pointed at. Values set through
// a writing cursor are held back and reach the file only when CloseCFGw ends the sequence, all
// in one save: a caller that forgets to close loses its writes.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include "configfile.h"
// The plug-in's header declares CloseCFGw without a result, which the host reads: the definition
// below is the one that counts.
#define CloseCFGw CloseCFGwAsThePluginSeesIt
#include "hooks.h"
#undef CloseCFGw
#include "kelvor_host.h"

namespace {

struct Cursor {
    const char* file;
    int writing;
    char section[28];
};
static_assert(sizeof(Cursor) <= sizeof(ConfigCursor), "a cursor is 36 bytes, 72 on x64");

// Values set but not yet stored; a cursor lives on its caller's stack, so entries are matched by
// its address and dropped when it is opened again. The values of a save of the bar's own that
// failed stay, under KEPT, for the next save of the same configuration.
struct Pending {
    const Cursor* cursor;
    const void* file;   // the configuration reference, compared, never read
    char section[28];
    char key[64];
    int value;
};
const int PENDING_MAX = INI_VALUES_MAX;
Pending pending[PENDING_MAX];
int pendingCount;
const Cursor* const KEPT = (const Cursor*)&pendingCount;

bool SameKey(const Pending& a, const Pending& b)
{
    return !lstrcmpiA(a.section, b.section) && !lstrcmpiA(a.key, b.key);
}

// A kept value the cursor's save takes along: of its configuration, and not set anew by it.
bool TakenAlong(const Pending& kept, const Cursor* cursor)
{
    if (kept.cursor != KEPT || kept.file != cursor->file)
        return false;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor == cursor && SameKey(pending[i], kept))
            return false;
    return true;
}

// Once a save of the configuration went through, nothing of it waits any more.
void DropKept(const void* file)
{
    int kept = 0;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor != KEPT || pending[i].file != file)
            pending[kept++] = pending[i];
    pendingCount = kept;
}

void DropPending(const Cursor* cursor)
{
    int kept = 0;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor != cursor)
            pending[kept++] = pending[i];
    pendingCount = kept;
}

// After a failed save of the bar's, its values and the ones it took along wait for the next save;
// nothing else is kept, so that what waits never outgrows one save.
void KeepPending(const Cursor* cursor)
{
    int kept = 0;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor != KEPT || TakenAlong(pending[i], cursor))
            pending[kept++] = pending[i];
    pendingCount = kept;
    for (int i = 0; i < pendingCount; i++)
        if (pending[i].cursor == cursor)
            pending[i].cursor = KEPT;
}

KelvorObserver observer = nullptr;
KelvorLog logLine = nullptr;
int layeredAvailable = 1;

void Notify(const char* call, const char* key, int value)
{
    if (observer)
        observer(call, key, value);
}

// The key's value in the cursor's section. On success file holds the text the value points
// into, to be released by the caller.
bool ReadValue(const Cursor* cursor, const char* key, ConfigText* file, const char** value,
               int* length)
{
    if (!cursor->file || !cursor->section[0] || !ReadConfigText(cursor->file, file))
        return false;
    if (IniFindValue(file->text, file->length, cursor->section, key, value, length))
        return true;
    FreeConfigText(file);
    return false;
}

// Ends a writing sequence: the cursor's values and the kept ones in one save. The bar's own
// saves (not patient) fail at once on a file another program holds and keep their values;
// the host's are tried again for a moment, and a failed one keeps nothing: the user still has
// the dialog.
BOOL CloseWriting(void* configuration, ConfigCursor* cursor, bool patient)
{
    Cursor* c = (Cursor*)cursor;
    DWORD error = ERROR_SUCCESS;
    if (c->writing && c->file && c->file == configuration) {
        IniValue values[PENDING_MAX];
        int count = 0;
        for (int i = 0; i < pendingCount; i++)
            if (pending[i].cursor == c || TakenAlong(pending[i], c)) {
                values[count].section = pending[i].section;
                values[count].key = pending[i].key;
                values[count].value = pending[i].value;
                count++;
            }
        if (count)
            error = SaveConfigValues(c->file, values, count, patient);
        // The plug-in is never told: the host's log keeps it.
        if (error != ERROR_SUCCESS && logLine) {
            char line[PATH_BYTES + 64];
            _snprintf(line, sizeof line, "cannot save %.*s: error %lu", PATH_BYTES, c->file,
                      (unsigned long)error);
            line[sizeof line - 1] = '\0';
            logLine(line);
        }
        if (error == ERROR_SUCCESS)
            DropKept(c->file);
        else if (!patient)
            KeepPending(c);
    }
    DropPending(c);
    ZeroMemory(cursor, sizeof(ConfigCursor));
    Notify("CloseCFGw", nullptr, 0);
    SetLastError(error);
    return error == ERROR_SUCCESS;
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
    if (!program || !program[0])
        return FALSE;
    // Quietly: the theme tool, for one, is not shipped, and a missing program must not put an
    // error box in front of the user.
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpFile = program;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = showCommand;
    return ShellExecuteExA(&info);
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

// The plug-in's prototype returns nothing; the host reads the result, with the last error set to
// the reason of a failed save.
BOOL __stdcall CloseCFGw(void* configuration, int reserved, ConfigCursor* cursor)
{
    (void)reserved;
    return CloseWriting(configuration, cursor, false);
}

BOOL __stdcall KelvorCloseCFGwRetrying(void* configuration, int reserved, ConfigCursor* cursor)
{
    (void)reserved;
    return CloseWriting(configuration, cursor, true);
}

void __stdcall FindSection(const char* section, int forWriting, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    // A name that does not fit whole, cut, would address another section: none is addressed.
    c->section[0] = '\0';
    if (IniSectionNameValid(section) && lstrlenA(section) < (int)sizeof c->section)
        lstrcpynA(c->section, section, sizeof c->section);
    Notify("FindSection", section, forWriting);
}

int __stdcall GetCFGInt(const char* key, int fallback, ConfigCursor* cursor)
{
    ConfigText file;
    const char* text;
    int length;
    int value;
    bool found = ReadValue((Cursor*)cursor, key, &file, &text, &length);
    if (found) {
        found = IniParseInt(text, length, &value);
        FreeConfigText(&file);
    }
    if (!found)
        value = fallback;
    Notify("GetCFGInt", key, value);
    return value;
}

BOOL __stdcall GetCFGBool(const char* key, int fallback, ConfigCursor* cursor)
{
    ConfigText file;
    const char* text;
    int length;
    bool value;
    bool found = ReadValue((Cursor*)cursor, key, &file, &text, &length);
    if (found) {
        found = IniParseBool(text, length, &value);
        FreeConfigText(&file);
    }
    BOOL result = found ? value : fallback != 0;
    Notify("GetCFGBool", key, result);
    return result;
}

void __stdcall SetCFGInt(const char* key, int value, ConfigCursor* cursor)
{
    Cursor* c = (Cursor*)cursor;
    Notify("SetCFGInt", key, value);
    // A reading cursor, or one not pointed at a section, stores nothing; nor does a key that
    // would not read back as itself or not fit whole.
    if (!c->writing || !c->file || !c->section[0] || !IniKeyNameValid(key) ||
        lstrlenA(key) >= (int)sizeof pending[0].key)
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
        entry->file = c->file;
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
void __stdcall KelvorFailSave(int step, DWORD error) { FailSaveStep(step, error); }
void __stdcall KelvorWhenReplacing(void(__stdcall* call)(const char* path)) { WhenReplacing(call); }

// The host's: where the library's own failures are reported.
void __stdcall KelvorSetLog(KelvorLog callback) { logLine = callback; }

}  // extern "C"
