// The options dialog (being written).
#include "hostapp.h"

bool ShowOptionsDialog(HWND) { return false; }
