#pragma once
#define IDI_BAR        1
#define IDB_COLLAPSED  100
#define IDB_FOCUSED    101
#define IDB_IDLE       102
