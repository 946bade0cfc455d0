// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_APP 1
#define IDC_HAND_POINTER 101
#define IDI_EMBLEM 103
// The background at 100 %; other densities draw it (window/BackgroundArt.h).
#define IDB_BACKGROUND_100 110
