#include "ui/dpi.h"

#include "ui/display_scale.h"

namespace {

template <typename F> F User32Function(const char* name) {
    return reinterpret_cast<F>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

RECT RectInParent(HWND hWnd, HWND hParent) {
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

UINT WindowDpi(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && hWnd != nullptr) {
        if (const UINT dpi = getDpiForWindow(hWnd)) {
            return dpi;
        }
    }
    HDC hScreen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(hScreen, LOGPIXELSY);
    ::ReleaseDC(nullptr, hScreen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

HBITMAP LoadArtBitmap(UINT nBaseId, UINT nDpi) {
    HINSTANCE hModule = ::GetModuleHandleW(nullptr);
    const UINT nId = hitched::ScaledBitmapId(nBaseId, hitched::ArtScaleForDpi(nDpi));
    HANDLE hImage = ::LoadImageW(hModule, MAKEINTRESOURCEW(nId), IMAGE_BITMAP, 0, 0, 0);
    if (hImage == nullptr && nId != nBaseId) {
        hImage = ::LoadImageW(hModule, MAKEINTRESOURCEW(nBaseId), IMAGE_BITMAP, 0, 0, 0);
    }
    return static_cast<HBITMAP>(hImage);
}

void KeepDialogScalingToProgram(HWND hDlg) {
    // DDC_DISABLE_ALL; absent before Windows 10 1703 and under Wine, where nothing rescales.
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = User32Function<SetBehaviorFn>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr) {
        setBehavior(hDlg, 0x0001, 0x0001);
    }
}

void ScaleChildRects(HWND hParent, UINT nFromDpi, UINT nToDpi) {
    if (nFromDpi == 0 || nFromDpi == nToDpi) {
        return;
    }
    for (HWND hChild = ::GetWindow(hParent, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        const RECT r = RectInParent(hChild, hParent);
        const int left = ::MulDiv(r.left, nToDpi, nFromDpi);
        const int top = ::MulDiv(r.top, nToDpi, nFromDpi);
        ::SetWindowPos(hChild, nullptr, left, top, ::MulDiv(r.right, nToDpi, nFromDpi) - left,
                       ::MulDiv(r.bottom, nToDpi, nFromDpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HFONT ScaledFontCopy(HFONT hFont, UINT nFromDpi, UINT nToDpi) {
    LOGFONTW font{};
    if (hFont == nullptr || ::GetObjectW(hFont, sizeof font, &font) == 0 || nFromDpi == 0) {
        return nullptr;
    }
    font.lfHeight = ::MulDiv(font.lfHeight, nToDpi, nFromDpi);
    font.lfWidth = ::MulDiv(font.lfWidth, nToDpi, nFromDpi);
    return ::CreateFontIndirectW(&font);
}

void ResizeAboutCentre(HWND hWnd, int cx, int cy) {
    const RECT r = RectInParent(hWnd, ::GetParent(hWnd));
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width == cx && height == cy) {
        return;
    }
    ::SetWindowPos(hWnd, nullptr, r.left + (width - cx) / 2, r.top + (height - cy) / 2, cx, cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void GrowWindowToAtLeast(HWND hWnd, int cx, int cy) {
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    ResizeAboutCentre(hWnd, width > cx ? width : cx, height > cy ? height : cy);
}
