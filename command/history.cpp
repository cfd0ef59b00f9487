// The command history: a ring of twelve slots in the registry, read afresh for every drop-down.
#include "../plugin/state.h"
#include "../host/kelvor.h"
#include "command.h"
#include "textrules.h"

const char HistoryKeyPath[] = "Software\\Brandelmor\\Orvel\\Plugins\\Addr";
static const char CurrentName[] = "Current";

const int WRITTEN_SLOTS = 12;     // "0" to "11" are written
const int READ_SLOTS = 13;        // "12" is read and compared when someone else put it there
const int HISTORY_TEXT = 521;     // at most 520 bytes from the registry, and always room for a NUL
// Under a code page whose characters take several bytes the whole line may need more.
const int HISTORY_BUFFER = LINE_BYTES > HISTORY_TEXT ? LINE_BYTES : HISTORY_TEXT;
const int VALUE_NAME = 16;

static HKEY OpenHistoryKey()
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        key = NULL;
    return key;
}

static HKEY CreateHistoryKey()
{
    HKEY key = NULL;
    if (RegCreateKeyA(HKEY_CURRENT_USER, HistoryKeyPath, &key) != ERROR_SUCCESS)
        key = NULL;
    return key;
}

static void CloseHistoryKey(HKEY key)
{
    if (key)
        RegCloseKey(key);
}

// Whatever the value holds, the buffer ends up a terminated text within its size: a text
// stored without its NUL is ended after the bytes read; values that are not text, and texts
// that do not fit, read as an empty slot rather than as some part of themselves.
static void ReadHistoryText(HKEY key, const char* name, char* buffer, int size)
{
    buffer[0] = '\0';
    if (!key)
        return;
    DWORD bytes = size - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)buffer, &bytes) != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        buffer[0] = '\0';
        return;
    }
    buffer[bytes < (DWORD)size ? bytes : size - 1] = '\0';
}

static int ReadHistoryNumber(HKEY key, const char* name, int fallback)
{
    if (!key)
        return fallback;
    int number = 0;
    DWORD bytes = sizeof number;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&number, &bytes) != ERROR_SUCCESS ||
        bytes != sizeof number)
        return fallback;
    return number;
}

static void WriteHistoryText(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
}

static void WriteHistoryNumber(HKEY key, const char* name, int number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number);
}

// 521 where a character is one byte or two; the whole line under UTF-8.
static int HistoryReadSize()
{
    int line = LineReadLimit();
    return line > HISTORY_TEXT ? line : HISTORY_TEXT;
}

static void SlotName(char* name, int slot)
{
    wsprintfA(name, "%i", slot);
}

void AddToHistory(const char* text)
{
    // An empty text marks an empty slot: written, it would erase the entry in that slot.
    if (IsPSTREmpty(text))
        return;
    HKEY key = CreateHistoryKey();
    if (!key)
        return;
    char name[VALUE_NAME];
    char stored[HISTORY_BUFFER];
    // A known text changes nothing, neither its slot nor "Current".
    const int readSize = HistoryReadSize();
    for (int slot = 0; slot < READ_SLOTS; slot++) {
        SlotName(name, slot);
        ReadHistoryText(key, name, stored, readSize);
        if (CompareNoCase(stored, text) == 0) {
            CloseHistoryKey(key);
            return;
        }
    }
    int slot = ReadHistoryNumber(key, CurrentName, 0);
    // Nobody but this module should write "Current"; anything outside 0..11 starts the ring again.
    if (slot >= WRITTEN_SLOTS || slot < 0)
        slot = 0;
    SlotName(name, slot);
    WriteHistoryText(key, name, text);
    WriteHistoryNumber(key, CurrentName, slot + 1);
    CloseHistoryKey(key);
}

void FillHistoryList(HWND combo)
{
    char text[HISTORY_BUFFER];
    text[0] = '\0';
    SendMessageA(State.input, WM_GETTEXT, LineReadLimit(), (LPARAM)text);
    // Emptying the list empties its edit field too: the text being typed is put back.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(State.input, WM_SETTEXT, 0, (LPARAM)text);
    SendMessageA(State.input, EM_SETSEL, 0, -1);

    HKEY key = OpenHistoryKey();
    char name[VALUE_NAME];
    const int readSize = HistoryReadSize();
    for (int slot = 0; slot < READ_SLOTS; slot++) {
        SlotName(name, slot);
        ReadHistoryText(key, name, text, readSize);
        if (text[0] != '\0')
            SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    }
    CloseHistoryKey(key);
}

void ClearHistory()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, HistoryKeyPath);
}
