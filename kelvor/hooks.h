// Hooks of the helper library for tests and tools; neither the plug-in nor the host uses them.
#pragma once
#include "../host/kelvor.h"

extern "C" {
// Called for every configuration call and every Run: the call's name, the key or program, and
// the value read, written or (for FindSection) 1 when writing.
typedef void(__stdcall* KelvorObserver)(const char* call, const char* key, int value);
void __stdcall KelvorSetObserver(KelvorObserver callback);
// Whether LayeredStyle reports layered windows as available (1, the default) or not (0).
void __stdcall KelvorSetLayeredAvailable(int available);
// Makes every save fail at one step (1 writing, 2 flushing, 3 putting the file in place) with
// that error; step 0 lets saves through again.
void __stdcall KelvorFailSave(int step, unsigned long error);
// Called with the file's path just before a save replaces it (to edit it as another program
// would); NULL calls nothing.
void __stdcall KelvorWhenReplacing(void(__stdcall* call)(const char* path));
}
