#pragma once
#define IDI_BAR        1
#define IDB_COLLAPSED  100
#define IDB_FOCUSED    101
#define IDB_IDLE       102
// The button at 125, 150 and 200 %: the same three images, each set at base + 0, 1, 2.
#define IDB_BUTTONS16  110
#define IDB_BUTTONS20  120
#define IDB_BUTTONS26  130
