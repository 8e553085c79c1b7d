// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDB_LINE 102
#define IDB_TEE 103
#define IDB_ELBOW 104
#define IDB_DRIVE 105
#define IDB_BUTTONS 110
#define IDB_POPUP 111
// The same pictures drawn at 32 x 32, for screens scaled above 100 per cent.
#define IDB_LINE32 122
#define IDB_TEE32 123
#define IDB_ELBOW32 124
#define IDB_DRIVE32 125
#define IDB_BUTTONS32 130
#define IDB_POPUP32 131
#define IDI_TARVOLO 1
#define IDR_MANIFEST 1
