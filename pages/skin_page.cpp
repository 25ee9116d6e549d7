#include "pages/skin_page.h"

#include "app/language_service.h"
#include "ui/skin_paint.h"

CSkinPage::CSkinPage(UINT nIDTemplate, UINT nBackgroundBitmap, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_nBackgroundBitmap(nBackgroundBitmap) {}

CSkinPage::~CSkinPage() {
    if (m_fontTitle != nullptr) {
        ::DeleteObject(m_fontTitle);
    }
}

BOOL CSkinPage::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    m_brHollow = static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
    return result;
}

BOOL CSkinPage::OnEraseBkgnd(HDC hDC) {
    const BOOL result = CDialog::OnEraseBkgnd(hDC);
    RECT client{};
    GetClientRect(&client);
    StretchBitmapResource(hDC, client, m_nBackgroundBitmap);
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
        m_fontTitle = CreatePageFont(nHeight, szFace);
    }
    ::SendMessageW(GetDlgItem(nID), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle), TRUE);
}

void CSkinPage::SetDlgItemLangText(int nID, UINT nStringId) {
    SetDlgItemText(nID, LoadLangString(nStringId));
}
