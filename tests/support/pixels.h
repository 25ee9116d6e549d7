#pragma once
// Pixels of what a window paints, or of one of the test program's bitmap resources, read back
// as COLORREF values for the Windows tests.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace hitched::test {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bits; // top row first, 0x00RRGGBB
    COLORREF At(int x, int y) const {
        const uint32_t p = bits[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool operator==(const Pixels& other) const { return bits == other.bits; }
    int Count(COLORREF c) const {
        const uint32_t p = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        return static_cast<int>(std::count(bits.begin(), bits.end(), p));
    }
};

// Draws with `paint` into a 32-bit DIB of the given size first filled with `fill` (a colour no
// painting uses shows what was left unpainted).
template <typename Paint>
Pixels Render(int width, int height, Paint paint, uint32_t fill = 0x00123456) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(bi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC hMem = ::CreateCompatibleDC(nullptr);
    HBITMAP hDib = ::CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hDib);
    auto* p = static_cast<uint32_t*>(bits);
    std::fill_n(p, static_cast<size_t>(width) * height, fill);
    paint(hMem);
    ::GdiFlush();
    Pixels out{width, height, std::vector<uint32_t>(p, p + static_cast<size_t>(width) * height)};
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hDib);
    ::DeleteDC(hMem);
    return out;
}

// A window's client area as it paints itself when asked to print (WM_PRINT with
// PRF_ERASEBKGND includes its background).
inline Pixels Print(HWND hWnd, UINT message = WM_PRINTCLIENT, LPARAM flags = PRF_CLIENT) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    return Render(rc.right, rc.bottom, [&](HDC hDC) {
        ::SendMessageW(hWnd, message, reinterpret_cast<WPARAM>(hDC), flags);
    });
}

// A bitmap resource of the test program, stretched to width x height (its own size when 0).
inline Pixels Resource(UINT id, int width = 0, int height = 0) {
    HBITMAP hBitmap = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    ::GetObjectW(hBitmap, sizeof(info), &info);
    Pixels out =
        Render(width ? width : info.bmWidth, height ? height : info.bmHeight, [&](HDC hDC) {
            HDC hSrc = ::CreateCompatibleDC(hDC);
            HGDIOBJ hOld = ::SelectObject(hSrc, hBitmap);
            ::StretchBlt(hDC, 0, 0, width ? width : info.bmWidth, height ? height : info.bmHeight,
                         hSrc, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            ::SelectObject(hSrc, hOld);
            ::DeleteDC(hSrc);
        });
    ::DeleteObject(hBitmap);
    return out;
}

inline bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

} // namespace hitched::test
