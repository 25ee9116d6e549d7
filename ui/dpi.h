#pragma once
#include <windows.h>

// The Windows side of following the display's scale (ui/display_scale.h has the rules).

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI a window is shown at: its monitor's under per-monitor awareness (Windows 10 1607
// and later), otherwise the system's.
UINT WindowDpi(HWND hWnd);

// Bitmap nBaseId (its 100 % resource id) as drawn for the art scale of a DPI; the 100 %
// bitmap when the program holds none of that scale. The caller deletes it.
HBITMAP LoadArtBitmap(UINT nBaseId, UINT nDpi);

// Leaves a dialog's relayout on a DPI change to the program (Windows 10 1703 and later would
// otherwise move its controls and change its fonts too, a second time).
void KeepDialogScalingToProgram(HWND hDlg);

// Moves and sizes every child of hParent from one DPI to another, in the parent's client
// coordinates (both edges scaled, so neighbours stay neighbours).
void ScaleChildRects(HWND hParent, UINT nFromDpi, UINT nToDpi);

// A copy of font hFont with its height scaled from one DPI to another; the caller owns it.
HFONT ScaledFontCopy(HFONT hFont, UINT nFromDpi, UINT nToDpi);

// Sizes a window to cx x cy pixels about its centre.
void ResizeAboutCentre(HWND hWnd, int cx, int cy);
// Grows a window, about its centre, to at least cx x cy pixels.
void GrowWindowToAtLeast(HWND hWnd, int cx, int cy);
