#pragma once
// Resource identifiers, shared by quillet.rc and the Win32 code.
#define IDI_QUILLET 1
// The update window's pictures at 96 dpi, and drawn again for 120 and 144 dpi: PNG files, stored
// as raw data.
#define IDB_BACKGROUND 101
#define IDB_CLOSEMARK 102
#define IDB_BACKGROUND_120 111
#define IDB_CLOSEMARK_120 112
#define IDB_BACKGROUND_144 121
#define IDB_CLOSEMARK_144 122
#define IDR_MANIFEST 1
