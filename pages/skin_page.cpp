#include "pages/skin_page.h"

#include <algorithm>

#include "app/language_service.h"
#include "pages/layout_report.h"
#include "res/resource.h"
#include "ui/display_scale.h"
#include "ui/dpi.h"
#include "ui/skin_paint.h"

CSkinPage::CSkinPage(UINT nIDTemplate, UINT nBackgroundBitmap, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_nBackgroundBitmap(nBackgroundBitmap) {}

CSkinPage::~CSkinPage() {
    if (m_fontTitle != nullptr) {
        ::DeleteObject(m_fontTitle);
    }
    if (m_hSeparator != nullptr) {
        ::DeleteObject(m_hSeparator);
    }
}

BOOL CSkinPage::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    m_brHollow = static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
    SetSeparatorImages();
    return result;
}

void CSkinPage::SetSeparatorImages() {
    HBITMAP hSeparator = LoadArtBitmap(IDB_SEPARATOR, GetDpi());
    if (hSeparator == nullptr) {
        return;
    }
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        ::GetClassNameW(hChild, name, 16);
        if (_wcsicmp(name, L"Static") == 0 &&
            (::GetWindowLongW(hChild, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            // The static sizes itself to the image, from its top-left corner.
            ::SendMessageW(hChild, STM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(hSeparator));
        }
    }
    if (m_hSeparator != nullptr) {
        ::DeleteObject(m_hSeparator);
    }
    m_hSeparator = hSeparator;
}

namespace {
const UINT kLayoutReport = ::RegisterWindowMessageW(L"Hitched layout report");
}

void CSkinPage::OnShowWindow(BOOL bShow, UINT nStatus) {
    CDialog::OnShowWindow(bShow, nStatus);
    if (bShow) {
        ::PostMessageW(m_hWnd, kLayoutReport, 0, 0);
    }
}

BOOL CSkinPage::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == kLayoutReport && kLayoutReport != 0) {
        LogLayout(m_hWnd, GetDpi());
        *pResult = 0;
        return TRUE;
    }
    // The frame shows its pages by placing them too, which sends no WM_SHOWWINDOW.
    if (message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
        ::PostMessageW(m_hWnd, kLayoutReport, 0, 0);
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

void CSkinPage::OnDpiChanged(UINT) {
    if (m_fontTitle != nullptr) {
        HFONT hOld = m_fontTitle;
        m_fontTitle =
            CreatePageFont(hitched::ScaleToDpi(m_nTitleHeight, GetDpi()), m_strTitleFace.c_str());
        for (int nID : m_titleControls) {
            ::SendMessageW(GetDlgItem(nID), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle),
                           TRUE);
        }
        ::DeleteObject(hOld);
    }
    SetSeparatorImages();
    if (::IsWindowVisible(m_hWnd)) {
        ::PostMessageW(m_hWnd, kLayoutReport, 0, 0);
    }
}

BOOL CSkinPage::OnEraseBkgnd(HDC hDC) {
    const BOOL result = CDialog::OnEraseBkgnd(hDC);
    RECT client{};
    GetClientRect(&client);
    StretchBitmapResource(hDC, client, m_nBackgroundBitmap, GetDpi());
    OnSkinPainted(hDC);
    return result;
}

HBRUSH CSkinPage::OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor) {
    HBRUSH base = CDialog::OnCtlColor(hDC, hCtl, nCtlColor);
    if (nCtlColor != CTLCOLOR_STATIC) {
        return base;
    }
    ::SetBkMode(hDC, TRANSPARENT);
    return m_brHollow;
}

void CSkinPage::SetTitleFont(int nID, const wchar_t* szFace, int nHeight) {
    if (m_fontTitle == nullptr) {
        m_strTitleFace = szFace;
        m_nTitleHeight = nHeight;
        m_fontTitle = CreatePageFont(hitched::ScaleToDpi(nHeight, GetDpi()), szFace);
    }
    if (std::find(m_titleControls.begin(), m_titleControls.end(), nID) == m_titleControls.end()) {
        m_titleControls.push_back(nID);
    }
    ::SendMessageW(GetDlgItem(nID), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle), TRUE);
}

void CSkinPage::SetDlgItemLangText(int nID, UINT nStringId) {
    SetDlgItemText(nID, LoadLangString(nStringId));
}
