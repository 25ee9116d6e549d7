#include "pages/layout_report.h"

#include "app/debug_log.h"
#include "ui/display_scale.h"

#include <cwchar>
#include <string>

namespace {

// The box of a check box or radio button and the gap before its text, at 96 DPI.
constexpr int kCheckBoxWidth = 16;

bool ShowsText(HWND hControl, const wchar_t* cls) {
    const LONG style = ::GetWindowLongW(hControl, GWL_STYLE);
    if (!(style & WS_VISIBLE) || ::GetWindowTextLengthW(hControl) == 0) {
        return false;
    }
    if (_wcsicmp(cls, L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        return type != SS_BITMAP && type != SS_ICON;
    }
    return _wcsicmp(cls, L"Button") == 0;
}

SIZE TextSize(HWND hControl, const wchar_t* cls, UINT nDpi) {
    const int length = ::GetWindowTextLengthW(hControl);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::GetWindowTextW(hControl, &text[0], length + 1);
    RECT client{};
    ::GetClientRect(hControl, &client);
    const LONG type = ::GetWindowLongW(hControl, GWL_STYLE) & BS_TYPEMASK;
    const bool button = _wcsicmp(cls, L"Button") == 0;
    const bool box =
        button && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_OWNERDRAW;
    const int boxWidth = box ? hitched::ScaleToDpi(kCheckBoxWidth, nDpi) : 0;
    HDC hDC = ::GetDC(hControl);
    HGDIOBJ hOld =
        ::SelectObject(hDC, reinterpret_cast<HGDIOBJ>(::SendMessageW(hControl, WM_GETFONT, 0, 0)));
    RECT r{0, 0, client.right - boxWidth, 0};
    ::DrawTextW(hDC, text.c_str(), length, &r,
                DT_CALCRECT | DT_NOPREFIX |
                    (button ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS));
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hControl, hDC);
    return SIZE{r.right + boxWidth, r.bottom};
}

} // namespace

void LogLayout(HWND hWnd, UINT nDpi) {
    const int window = (::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD) ? ::GetDlgCtrlID(hWnd) : 0;
    DebugLog(L"layout %d: dpi %u, art %d %%", window, nDpi, hitched::ArtScaleForDpi(nDpi));
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        ::GetClassNameW(hChild, cls, 16);
        if (!ShowsText(hChild, cls)) {
            continue;
        }
        RECT client{};
        ::GetClientRect(hChild, &client);
        const SIZE text = TextSize(hChild, cls, nDpi);
        DebugLog(L"layout %d: control %d client %d x %d text %d x %d", window,
                 ::GetDlgCtrlID(hChild), static_cast<int>(client.right),
                 static_cast<int>(client.bottom), static_cast<int>(text.cx),
                 static_cast<int>(text.cy));
    }
}
