// The settings file's one writing call, a seam for tests.
#pragma once

#include <windows.h>

// WritePrivateProfileStringA in the program. A test may point it elsewhere to
// fill the disk in the middle of a write.
extern BOOL(WINAPI* g_write_profile)(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
