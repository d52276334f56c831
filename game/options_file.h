// The settings file's writing seam for tests, and the box that reports a failed save.
#pragma once

#include <windows.h>

// WritePrivateProfileStringA in the program. A test may point it elsewhere to
// fill the disk in the middle of a write.
extern BOOL(WINAPI* g_write_profile)(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);

// Tells the user, in a box owned by `owner`, that the options could not be
// saved and apply until the program ends.
void report_unsaved_options(HWND owner);
