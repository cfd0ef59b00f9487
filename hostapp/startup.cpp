// Start with Windows (being written).
#include "hostapp.h"

bool StartsWithWindows() { return false; }
bool SetStartWithWindows(bool) { return false; }
