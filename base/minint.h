// The smaller of two signed integers, for the text routines and the bar's geometry alike.
#pragma once

inline int MinInt(int a, int b)
{
    return a < b ? a : b;
}
