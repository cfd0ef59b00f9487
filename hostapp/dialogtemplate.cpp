// The options dialog's template, written in memory: the extended form, which the shell's dialog
// font needs (the system sizes that font for the screen's DPI).
#include "dialogtemplate.h"

namespace {

// Offsets of the fields patched once the layout is known.
const size_t TemplateItemsAt = 16;   // cDlgItems
const size_t TemplateHeightAt = 24;  // cy
const size_t ItemHeightAt = 18;      // an item's cy

void Put(Template* t, const void* bytes, size_t size)
{
    if (t->data && t->used + size <= t->capacity)
        CopyMemory(t->data + t->used, bytes, size);
    t->used += size;
}

void PutWord(Template* t, WORD value) { Put(t, &value, sizeof value); }
void PutDword(Template* t, DWORD value) { Put(t, &value, sizeof value); }

void PutText(Template* t, const char* text)
{
    int count = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (count <= 0) {
        PutWord(t, 0);
        return;
    }
    size_t size = (size_t)count * sizeof(WCHAR);
    if (t->data && t->used + size <= t->capacity)
        MultiByteToWideChar(CP_ACP, 0, text, -1, (WCHAR*)(t->data + t->used), count);
    t->used += size;
}

// Every item starts on a 32-bit boundary.
void Align(Template* t)
{
    while (t->used % 4)
        Put(t, "", 1);
}

void PatchWord(Template* t, size_t at, int value)
{
    WORD word = (WORD)value;
    if (t->data && at + sizeof word <= t->capacity)
        CopyMemory(t->data + at, &word, sizeof word);
}

}  // namespace

void BeginTemplate(Template* t, const char* title, int width)
{
    const DWORD style = DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | WS_POPUP |
                        WS_CAPTION | WS_SYSMENU;
    PutWord(t, 1);        // dlgVer
    PutWord(t, 0xFFFF);   // signature
    PutDword(t, 0);       // helpID
    // Opened from the notification area, with no visible owner: a taskbar button of its own
    // keeps it from getting lost behind other windows.
    PutDword(t, WS_EX_APPWINDOW);
    PutDword(t, style);
    PutWord(t, 0);        // cDlgItems, patched
    PutWord(t, 0);        // x
    PutWord(t, 0);        // y
    PutWord(t, (WORD)width);
    PutWord(t, 0);        // cy, patched
    PutWord(t, 0);        // no menu
    PutWord(t, 0);        // the dialog class
    PutText(t, title);
    PutWord(t, 8);        // points
    PutWord(t, FW_NORMAL);
    Put(t, "\0", 1);      // not italic
    Put(t, "\1", 1);      // DEFAULT_CHARSET
    PutText(t, "MS Shell Dlg");
}

size_t AddItem(Template* t, const char* className, const char* text, DWORD style, DWORD exStyle,
               int x, int y, int width, int height, int id)
{
    Align(t);
    size_t start = t->used;
    PutDword(t, 0);   // helpID
    PutDword(t, exStyle);
    PutDword(t, style | WS_CHILD | WS_VISIBLE);
    PutWord(t, (WORD)x);
    PutWord(t, (WORD)y);
    PutWord(t, (WORD)width);
    PutWord(t, (WORD)height);
    PutDword(t, (DWORD)id);
    PutText(t, className);
    PutText(t, text);
    PutWord(t, 0);   // no creation data
    t->items++;
    return start;
}

void PatchItemHeight(Template* t, size_t item, int height)
{
    PatchWord(t, item + ItemHeightAt, height);
}

void FinishTemplate(Template* t, int height)
{
    PatchWord(t, TemplateHeightAt, height);
    PatchWord(t, TemplateItemsAt, t->items);
}
