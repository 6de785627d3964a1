#pragma once
// Resource identifiers, shared by quillet.rc and the Win32 code.
#define IDI_QUILLET 1
#define IDB_BACKGROUND 101
#define IDB_CLOSEMARK 102
#define IDR_MANIFEST 1
