#include "controls/skin_button.h"

#include "ui/display_scale.h"
#include "ui/dpi.h"

#include <commctrl.h>

#include <vector>

namespace {

const UINT kTypeMask = 0x0F; // BS_TYPEMASK

int Width(const RECT& r) {
    return r.right - r.left;
}

int Height(const RECT& r) {
    return r.bottom - r.top;
}

// A monochrome mask with the transparent pixels set; afterwards those pixels of the source
// are made black, so that OR-ing the source over the AND-ed mask adds nothing there.
HBITMAP CreateTransparencyMask(HBITMAP hSource, DWORD dwWidth, DWORD dwHeight,
                               COLORREF crTransparent) {
    HBITMAP hMask =
        ::CreateBitmap(static_cast<int>(dwWidth), static_cast<int>(dwHeight), 1, 1, nullptr);
    if (!hMask) {
        return nullptr;
    }
    HDC hSrcDC = ::CreateCompatibleDC(nullptr);
    HDC hMaskDC = ::CreateCompatibleDC(nullptr);
    if (!hSrcDC || !hMaskDC) {
        if (hSrcDC) {
            ::DeleteDC(hSrcDC);
        }
        if (hMaskDC) {
            ::DeleteDC(hMaskDC);
        }
        ::DeleteObject(hMask);
        return nullptr;
    }
    HGDIOBJ hOldSrc = ::SelectObject(hSrcDC, hSource);
    HGDIOBJ hOldMask = ::SelectObject(hMaskDC, hMask);
    const int w = static_cast<int>(dwWidth);
    const int h = static_cast<int>(dwHeight);
    // Colour to monochrome: pixels of the background colour become 1, all others 0.
    ::SetBkColor(hSrcDC, crTransparent);
    ::BitBlt(hMaskDC, 0, 0, w, h, hSrcDC, 0, 0, SRCCOPY);
    // Monochrome to colour: 1 becomes the background colour (black), 0 the text colour
    // (white); AND-ing that blackens exactly the transparent pixels.
    ::SetBkColor(hSrcDC, RGB(0, 0, 0));
    ::SetTextColor(hSrcDC, RGB(255, 255, 255));
    ::BitBlt(hSrcDC, 0, 0, w, h, hMaskDC, 0, 0, SRCAND);
    ::SelectObject(hMaskDC, hOldMask);
    ::SelectObject(hSrcDC, hOldSrc);
    ::DeleteDC(hMaskDC);
    ::DeleteDC(hSrcDC);
    return hMask;
}

} // namespace

CSkinButton::CSkinButton() {
    SetDefaultColors(FALSE);
}

CSkinButton::~CSkinButton() {
    FreeBackground();
    FreeBitmaps();
}

// --- operations --------------------------------------------------------------------------

DWORD CSkinButton::SetStateBitmaps(int nHover, COLORREF crHover, int nNormal, COLORREF crNormal,
                                   int nPressed, COLORREF crPressed, int nDisabled,
                                   COLORREF crDisabled) {
    FreeBitmaps();
    const int ids[4] = {nHover, nNormal, nPressed, nDisabled};
    const COLORREF colours[4] = {crHover, crNormal, crPressed, crDisabled};
    for (int i = 0; i < 4; ++i) {
        const DWORD result = LoadStateBitmap(i, ids[i], colours[i]);
        if (result != BTNST_OK) {
            FreeBitmaps();
            return result;
        }
    }
    Repaint();
    return BTNST_OK;
}

DWORD CSkinButton::LoadStateBitmap(int nIndex, int nID, COLORREF crTransparent) {
    if (nID == 0) {
        return BTNST_OK;
    }
    HBITMAP hBitmap = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nID), IMAGE_BITMAP, 0, 0, 0));
    if (!hBitmap) {
        return BTNST_OK; // absent; entry 0 stands in for it
    }
    STATEBITMAP& entry = m_stateBitmaps[nIndex];
    entry.hBitmap = hBitmap;
    entry.crTransparent = crTransparent;
    BITMAP info{};
    if (!::GetObjectW(hBitmap, sizeof(info), &info)) {
        return BTNST_INVALIDRESOURCE;
    }
    entry.dwWidth = static_cast<DWORD>(info.bmWidth);
    entry.dwHeight = static_cast<DWORD>(info.bmHeight);
    entry.hMask = CreateTransparencyMask(hBitmap, entry.dwWidth, entry.dwHeight, crTransparent);
    return entry.hMask ? BTNST_OK : BTNST_FAILEDMASK;
}

DWORD CSkinButton::SetContentLayout(BYTE byLayout, UINT nTextFormat, int nFocusInsetX,
                                    BOOL bRepaint) {
    m_nTextFormat = nTextFormat;
    m_nFocusInsetX = nFocusInsetX;
    if (byLayout > BTNST_ALIGN_OVERLAP) {
        return BTNST_INVALIDALIGN;
    }
    m_byContentLayout = byLayout;
    if (bRepaint) {
        Repaint();
    }
    return BTNST_OK;
}

DWORD CSkinButton::UseParentBackground(BOOL bRepaint) {
    m_bParentBackground = TRUE;
    FreeBackground();
    if (bRepaint) {
        Repaint();
    }
    return BTNST_OK;
}

DWORD CSkinButton::SetFlatFocusRect(BOOL bFlatFocus, BOOL bRepaint) {
    m_bFlatFocus = bFlatFocus;
    if (bRepaint) {
        Repaint();
    }
    return BTNST_OK;
}

DWORD CSkinButton::CaptureParentBackground(HDC hParentDC) {
    if (!m_bParentBackground || !hParentDC || !m_hWnd) {
        return BTNST_BADPARAM;
    }
    FreeBackground();
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&window), 2);
    m_dcBk = ::CreateCompatibleDC(hParentDC);
    m_bmpBk = ::CreateCompatibleBitmap(hParentDC, Width(client), Height(client));
    if (!m_dcBk || !m_bmpBk) {
        FreeBackground();
        return BTNST_OK;
    }
    m_pbmpOldBk = ::SelectObject(m_dcBk, m_bmpBk);
    ::BitBlt(m_dcBk, 0, 0, Width(client), Height(client), hParentDC, window.left, window.top,
             SRCCOPY);
    return BTNST_OK;
}

// --- messages ----------------------------------------------------------------------------

void CSkinButton::PreSubclassWindow() {
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    m_nTypeStyle = static_cast<UINT>(style) & 0x1F;
    if (m_nTypeStyle & BS_CHECKBOX) {
        m_bIsCheckBox = TRUE;
    }
    if (m_nTypeStyle == BS_DEFPUSHBUTTON) {
        m_bIsDefault = TRUE;
        m_nTypeStyle = BS_PUSHBUTTON;
    }
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                        (style & ~static_cast<LONG_PTR>(kTypeMask)) | BS_OWNERDRAW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CSkinButton::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_LBUTTONDBLCLK) {
        pMsg->message = WM_LBUTTONDOWN;
    }
    return CButton::PreTranslateMessage(pMsg);
}

BOOL CSkinButton::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        *pResult = 0;
        return TRUE;
    case WM_MOUSELEAVE:
        CancelHover();
        *pResult = 0;
        return TRUE;
    case WM_KILLFOCUS:
        *pResult = Default();
        CancelHover();
        return TRUE;
    case WM_ACTIVATE:
        *pResult = Default();
        if (LOWORD(wParam) == WA_INACTIVE) {
            CancelHover();
        }
        return TRUE;
    case WM_CANCELMODE:
        *pResult = Default();
        CancelHover();
        return TRUE;
    case WM_ENABLE:
        *pResult = Default();
        OnEnable(static_cast<BOOL>(wParam));
        return TRUE;
    case WM_SYSCOLORCHANGE:
        *pResult = Default();
        OnSysColorChange();
        return TRUE;
    case WM_GETDLGCODE:
        *pResult = Default() | (m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        return TRUE;
    case BM_SETSTYLE: {
        const UINT type = static_cast<UINT>(wParam) & kTypeMask;
        if (type == BS_DEFPUSHBUTTON) {
            m_bIsDefault = TRUE;
        } else if (type == BS_PUSHBUTTON) {
            m_bIsDefault = FALSE;
        }
        *pResult = DefWindowProc(message, (wParam & ~static_cast<WPARAM>(kTypeMask)) | BS_OWNERDRAW,
                                 lParam);
        return TRUE;
    }
    case BM_SETCHECK:
        if (m_bIsCheckBox) {
            m_nCheck = (wParam == BST_CHECKED || wParam == BST_INDETERMINATE) ? 1 : 0;
            Repaint();
        }
        *pResult = 0;
        return TRUE;
    case BM_GETCHECK:
        *pResult = m_bIsCheckBox ? m_nCheck : 0;
        return TRUE;
    default:
        return CButton::OnWndMsg(message, wParam, lParam, pResult);
    }
}

BOOL CSkinButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        // The control erases nothing: everything is painted in DrawItem.
        *pResult = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        ::SetFocus(m_hWnd);
        if (m_bIsCheckBox) {
            m_nCheck = !m_nCheck;
            Repaint();
        }
        return FALSE; // the parent still gets its notification
    }
    return CButton::OnChildNotify(message, wParam, lParam, pResult);
}

void CSkinButton::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    Default();
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(m_hWnd, &pt);
    HWND hUnder = ::WindowFromPoint(pt);
    if (!m_bFlat) {
        return;
    }
    // Entering with the left button held shows no hover.
    if ((wParam & MK_LBUTTON) && !m_bHover) {
        return;
    }
    HWND hActive = m_bAlwaysTrack ? m_hWnd : ::GetActiveWindow();
    if (hUnder == m_hWnd && hActive) {
        if (!m_bHover) {
            m_bHover = TRUE;
            Repaint();
            TRACKMOUSEEVENT tme{};
            tme.cbSize = sizeof(tme);
            tme.dwFlags = TME_LEAVE;
            tme.hwndTrack = m_hWnd;
            ::_TrackMouseEvent(&tme);
        }
    } else {
        CancelHover();
    }
}

void CSkinButton::CancelHover() {
    if (m_bFlat && m_bHover) {
        m_bHover = FALSE;
        Repaint();
    }
}

void CSkinButton::OnEnable(BOOL bEnable) {
    if (!bEnable) {
        HWND hParent = ::GetParent(m_hWnd);
        HWND hNext = hParent ? ::GetNextDlgTabItem(hParent, m_hWnd, FALSE) : nullptr;
        if (hNext && hNext != m_hWnd) {
            ::SetFocus(hNext);
        } else if (hParent) {
            ::SetFocus(hParent);
        }
        CancelHover();
    }
}

void CSkinButton::OnSysColorChange() {
    FreeBackground();
    SetDefaultColors(TRUE);
}

void CSkinButton::SetDefaultColors(BOOL bRepaint) {
    m_crColors[BTNST_COLOR_BK_IN] = ::GetSysColor(COLOR_BTNFACE);
    m_crColors[BTNST_COLOR_FG_IN] = ::GetSysColor(COLOR_BTNTEXT);
    m_crColors[BTNST_COLOR_BK_OUT] = ::GetSysColor(COLOR_BTNFACE);
    m_crColors[BTNST_COLOR_FG_OUT] = ::GetSysColor(COLOR_BTNTEXT);
    m_crColors[BTNST_COLOR_BK_FOCUS] = ::GetSysColor(COLOR_BTNFACE);
    m_crColors[BTNST_COLOR_FG_FOCUS] = ::GetSysColor(COLOR_BTNTEXT);
    if (bRepaint) {
        Repaint();
    }
}

// --- painting ----------------------------------------------------------------------------

void CSkinButton::DrawItem(DRAWITEMSTRUCT* pDraw) {
    HDC hDC = pDraw->hDC;
    m_bPressed = (pDraw->itemState & ODS_SELECTED) != 0;
    if (m_bIsCheckBox) {
        m_bPressed = m_bPressed || m_nCheck != 0;
    }
    m_bFocused = (pDraw->itemState & ODS_FOCUS) != 0;
    m_bDisabled = (pDraw->itemState & ODS_DISABLED) != 0;
    const RECT item = pDraw->rcItem;
    ::SetBkMode(hDC, TRANSPARENT);

    if (m_bParentBackground) {
        if (!m_dcBk) {
            HWND hParent = ::GetParent(m_hWnd);
            HDC hParentDC = ::GetDC(hParent);
            CaptureParentBackground(hParentDC);
            ::ReleaseDC(hParent, hParentDC);
        }
        if (m_dcBk) {
            RECT client{};
            ::GetClientRect(m_hWnd, &client);
            ::BitBlt(hDC, 0, 0, Width(client), Height(client), m_dcBk, 0, 0, SRCCOPY);
        }
    } else {
        FillBackground(hDC, &item);
    }

    const std::wstring caption = GetWindowText();
    RECT captionRect = item;
    if (m_stateBitmaps[BTNST_HOVER].hBitmap) {
        ::SetBkColor(hDC, RGB(255, 255, 255));
        DrawBitmapImage(hDC, &item, &captionRect, m_bPressed, m_bDisabled);
    }
    if (!caption.empty()) {
        DrawCaption(hDC, caption, &item, &captionRect, m_bPressed, m_bDisabled);
    }
    if ((m_bFlatFocus || !m_bFlat) && m_bFocused) {
        RECT focus = item;
        ::InflateRect(&focus, -m_nFocusInsetX, -3);
        if (m_bPressed) {
            ::OffsetRect(&focus, 0, 2);
        }
        ::DrawFocusRect(hDC, &focus);
    }
}

DWORD CSkinButton::FillBackground(HDC hDC, const RECT* pRect) {
    COLORREF colour = m_crColors[BTNST_COLOR_BK_OUT];
    if (m_bHover || m_bPressed) {
        colour = m_crColors[BTNST_COLOR_BK_IN];
    } else if (m_bFocused) {
        colour = m_crColors[BTNST_COLOR_BK_FOCUS];
    }
    HBRUSH hBrush = ::CreateSolidBrush(colour);
    ::FillRect(hDC, pRect, hBrush);
    ::DeleteObject(hBrush);
    return BTNST_OK;
}

DWORD CSkinButton::DrawBitmapImage(HDC hDC, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                                   BOOL bDisabled) {
    int index = BTNST_NORMAL;
    if (bDisabled) {
        index = BTNST_DISABLED;
    } else if (bPressed) {
        index = BTNST_PRESSED;
    } else if (m_bHover) {
        index = BTNST_HOVER;
    }
    if (!m_stateBitmaps[index].hBitmap) {
        index = BTNST_HOVER;
    }
    const STATEBITMAP& entry = m_stateBitmaps[index];
    const int bw = static_cast<int>(entry.dwWidth);
    const int bh = static_cast<int>(entry.dwHeight);

    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    int dw = Width(client);
    int dh = Height(client);
    RECT image = *pItem;
    // Layouts beside or above the caption keep the image at its own size and give the
    // caption what is left.
    switch (m_byContentLayout) {
    case BTNST_ALIGN_HORIZ:
        dw = bw;
        dh = bh;
        image.top += (Height(*pItem) - bh) / 2;
        pCaption->left = pItem->left + bw;
        break;
    case BTNST_ALIGN_HORIZ_RIGHT:
        dw = bw;
        dh = bh;
        image.left = pItem->right - bw;
        image.top += (Height(*pItem) - bh) / 2;
        pCaption->right = image.left;
        break;
    case BTNST_ALIGN_VERT:
        dw = bw;
        dh = bh;
        image.left += (Width(*pItem) - bw) / 2;
        pCaption->top = pItem->top + bh;
        break;
    default:
        break;
    }
    if (bPressed && !m_bIsCheckBox) {
        ::OffsetRect(&image, m_ptPressedOffset.x, m_ptPressedOffset.y);
    }

    HDC hMemDC = ::CreateCompatibleDC(hDC);
    if (!hMemDC) {
        return BTNST_OK;
    }
    const COLORREF oldText = ::SetTextColor(hDC, RGB(0, 0, 0));
    const int oldMode = ::SetStretchBltMode(hDC, COLORONCOLOR);
    HGDIOBJ hOld = ::SelectObject(hMemDC, entry.hMask);
    ::StretchBlt(hDC, image.left, image.top, dw, dh, hMemDC, 0, 0, bw, bh, SRCAND);
    ::SelectObject(hMemDC, entry.hBitmap);
    ::StretchBlt(hDC, image.left, image.top, dw, dh, hMemDC, 0, 0, bw, bh, SRCPAINT);
    ::SelectObject(hMemDC, hOld);
    ::SetStretchBltMode(hDC, oldMode);
    ::SetTextColor(hDC, oldText);
    ::DeleteDC(hMemDC);
    return BTNST_OK;
}

DWORD CSkinButton::DrawCaption(HDC hDC, const std::wstring& text, const RECT*, RECT* pCaption,
                               BOOL bPressed, BOOL bDisabled) {
    if (bPressed && !m_bIsCheckBox) {
        ::OffsetRect(pCaption, m_ptPressedOffset.x, m_ptPressedOffset.y);
    }
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    const int length = static_cast<int>(text.size());
    RECT measured = *pCaption;
    ::DrawTextW(hDC, buffer.data(), length, &measured, m_nTextFormat | DT_WORDBREAK | DT_CALCRECT);
    ::OffsetRect(pCaption, 0, (Height(*pCaption) - Height(measured)) / 2);

    if (bDisabled) {
        // Engraved: a light copy one pixel down-right under a shadow-coloured one.
        ::OffsetRect(pCaption, 1, 1);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_3DHILIGHT));
        ::DrawTextW(hDC, buffer.data(), length, pCaption, m_nTextFormat | DT_WORDBREAK);
        ::OffsetRect(pCaption, -1, -1);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_3DSHADOW));
        ::DrawTextW(hDC, buffer.data(), length, pCaption, m_nTextFormat | DT_WORDBREAK);
        return BTNST_OK;
    }
    if (m_bHover || bPressed) {
        ::SetTextColor(hDC, m_crColors[BTNST_COLOR_FG_IN]);
        ::SetBkColor(hDC, m_crColors[BTNST_COLOR_BK_IN]);
    } else {
        ::SetTextColor(hDC, m_crColors[BTNST_COLOR_FG_OUT]);
        ::SetBkColor(hDC, m_crColors[BTNST_COLOR_BK_OUT]);
    }
    ::DrawTextW(hDC, buffer.data(), length, pCaption, m_nTextFormat | DT_WORDBREAK);
    return BTNST_OK;
}

// --- resources ---------------------------------------------------------------------------

void CSkinButton::FreeBitmaps() {
    for (STATEBITMAP& entry : m_stateBitmaps) {
        if (entry.hBitmap) {
            ::DeleteObject(entry.hBitmap);
        }
        if (entry.hMask) {
            ::DeleteObject(entry.hMask);
        }
        entry = STATEBITMAP{};
    }
}

void CSkinButton::FreeBackground() {
    if (m_dcBk && m_pbmpOldBk) {
        ::SelectObject(m_dcBk, m_pbmpOldBk);
    }
    if (m_bmpBk) {
        ::DeleteObject(m_bmpBk);
    }
    if (m_dcBk) {
        ::DeleteDC(m_dcBk);
    }
    m_dcBk = nullptr;
    m_bmpBk = nullptr;
    m_pbmpOldBk = nullptr;
}

void CSkinButton::Repaint() {
    if (m_hWnd) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
}

SIZE CSkinButton::GetFaceSize() const {
    const STATEBITMAP& entry =
        m_stateBitmaps[BTNST_NORMAL].hBitmap ? m_stateBitmaps[BTNST_NORMAL] : m_stateBitmaps[0];
    return SIZE{static_cast<LONG>(entry.dwWidth), static_cast<LONG>(entry.dwHeight)};
}

void ScaleSkinButton(CSkinButton& button, int nHover, int nNormal, int nPressed, UINT nDpi) {
    const int scale = hitched::ArtScaleForDpi(nDpi);
    const auto id = [scale](int n) { return static_cast<int>(hitched::ScaledBitmapId(n, scale)); };
    if (button.SetStateBitmaps(id(nHover), kSkinTransparent, id(nNormal), kSkinTransparent,
                               id(nPressed), kSkinTransparent, id(nNormal),
                               kSkinTransparent) != CSkinButton::BTNST_OK) {
        button.SetStateBitmaps(nHover, kSkinTransparent, nNormal, kSkinTransparent, nPressed,
                               kSkinTransparent, nNormal, kSkinTransparent);
    }
    // The button takes its face's size (at a DPI between two art scales, the face's size
    // scaled down to it), about its place in the layout: the face is drawn one to one.
    const SIZE face = button.GetFaceSize();
    if (face.cx > 0 && face.cy > 0 && button.m_hWnd != nullptr) {
        const int num = static_cast<int>(nDpi) * 100;
        const int den = static_cast<int>(USER_DEFAULT_SCREEN_DPI) * scale;
        ResizeAboutCentre(button.m_hWnd, ::MulDiv(face.cx, num, den), ::MulDiv(face.cy, num, den));
    }
}

void SetUpSkinButton(CSkinButton& button, const std::wstring& caption, int nHover, int nNormal,
                     int nPressed, UINT nDpi) {
    button.SetWindowText(caption);
    ScaleSkinButton(button, nHover, nNormal, nPressed, nDpi);
    button.SetContentLayout(CSkinButton::BTNST_ALIGN_OVERLAP, DT_CENTER, 10, TRUE);
    button.UseParentBackground(FALSE);
    button.SetFlatFocusRect(TRUE, TRUE);
}
