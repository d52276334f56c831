// The board as screen readers see it (Microsoft Active Accessibility): the
// main window's client area as an accessible object with the fourteen bins
// as its children, and the events that tell a reader what changed.
#pragma once

#include <windows.h>

// WM_GETOBJECT of the main window: the board's object for OBJID_CLIENT
// (LresultFromObject's result), 0 for every other object id, which the
// window procedure then leaves to DefWindowProc.
LRESULT board_object(HWND hwnd, WPARAM wparam, LPARAM lparam);
