#include "ui/skin_paint.h"

#include "ui/dpi.h"

#include <cwchar>

BOOL StretchBitmapResource(HDC hDC, const RECT& dest, UINT nBitmapId, UINT nDpi) {
    HBITMAP hBitmap = LoadArtBitmap(nBitmapId, nDpi);
    if (hBitmap == nullptr) {
        return FALSE;
    }
    BITMAP info{};
    ::GetObjectW(hBitmap, sizeof(info), &info);
    HDC hMemDC = ::CreateCompatibleDC(hDC);
    HGDIOBJ hOld = ::SelectObject(hMemDC, hBitmap);
    ::StretchBlt(hDC, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, hMemDC,
                 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SelectObject(hMemDC, hOld);
    ::DeleteDC(hMemDC);
    ::DeleteObject(hBitmap);
    return TRUE;
}

HFONT CreatePageFont(int nHeight, const wchar_t* szFace) {
    LOGFONTW font{};
    font.lfHeight = nHeight;
    std::wcsncpy(font.lfFaceName, szFace, LF_FACESIZE - 1);
    return ::CreateFontIndirectW(&font);
}
