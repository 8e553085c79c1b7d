// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDB_LINE 102
#define IDB_TEE 103
#define IDB_ELBOW 104
#define IDB_DRIVE 105
#define IDB_BUTTONS 110
#define IDB_POPUP 111
#define IDI_TARVOLO 1
#define IDR_MANIFEST 1
