// Seeing what the module asks of a system library: one entry of its import table pointed at a
// test's spy, and put back.
#pragma once
#include <windows.h>

// The slot of module's import table that holds name, imported from library; null if none.
FARPROC* ImportSlot(HMODULE module, const char* library, const char* name);
void Patch(FARPROC* slot, FARPROC target);
