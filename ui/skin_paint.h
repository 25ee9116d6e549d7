#pragma once
#include <windows.h>

// Painting shared by the skinned windows.

// Stretches a bitmap of the program's resources, whole, over a rectangle of hDC with a plain
// copy: nBitmapId's art drawn for the scale of nDpi (ui/dpi.h), so the stretch stays close to
// one to one. FALSE when the bitmap does not load; nothing is painted then.
BOOL StretchBitmapResource(HDC hDC, const RECT& dest, UINT nBitmapId, UINT nDpi);

// The title font of the pages: a logical font that is all zero except its cell height and
// face. The caller owns the font and deletes it.
HFONT CreatePageFont(int nHeight, const wchar_t* szFace);
