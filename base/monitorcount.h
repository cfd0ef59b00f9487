// Whether the desktop spans several monitors. On one, every caller keeps the primary screen's
// limits, work area and requests exactly as they were before monitors were counted.
#pragma once
#include <windows.h>

inline bool SeveralMonitors()
{
    return GetSystemMetrics(SM_CMONITORS) > 1;
}
