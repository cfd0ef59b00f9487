// The keyboard shortcut (being written).
#include "hostapp.h"

bool SetHotkey(WORD) { return false; }
void HotkeyText(WORD, char* text, int size) { if (size > 0) text[0] = '\0'; }
