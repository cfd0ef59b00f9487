// An in-memory dialog template, written item by item. It is written twice: once without data to
// measure it, then into a block of that size.
#pragma once
#include <windows.h>
#include <stddef.h>

struct Template {
    BYTE* data;
    size_t capacity;
    size_t used;
    WORD items;
};

// The dialog itself, width dialog units wide; its height comes with FinishTemplate.
void BeginTemplate(Template* t, const char* title, int width);
// An item's window; returns where the item starts, for a height known only later.
size_t AddItem(Template* t, const char* className, const char* text, DWORD style, DWORD exStyle,
               int x, int y, int width, int height, int id);
void PatchItemHeight(Template* t, size_t item, int height);
void FinishTemplate(Template* t, int height);
