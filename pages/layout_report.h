#pragma once
#include <windows.h>

// The debug log's account of a window's layout at its scale, for support: a line "layout" with
// the window's control id (0 for a top-level window), its DPI and art scale, then one line per
// visible control that shows a text: its id, its client size and the size its text takes in
// its own font (as a static wraps it; on one line for buttons, with the box of a check box or
// radio button), so a text that a scale cuts off shows in the log.
void LogLayout(HWND hWnd, UINT nDpi);
