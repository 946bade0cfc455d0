// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_APP 1
#define IDC_HAND_POINTER 101
#define IDI_EMBLEM 103
// The background drawn at 100, 125, 150, 175 and 200 %, in that order.
#define IDB_BACKGROUND_100 110
#define IDB_BACKGROUND_125 111
#define IDB_BACKGROUND_150 112
#define IDB_BACKGROUND_175 113
#define IDB_BACKGROUND_200 114
