#include "pages/detect_cable_page.h"

#include "app/module_file.h"
#include "res/resource.h"
#include "ui/dpi.h"

namespace {

// The clip's own background colour is drawn in this colour.
constexpr COLORREF kAnimationBackground = 0xF2DDCC;
// The clip's frame size (tools/artgen/clip.py). The control cannot scale a clip: at every DPI
// it shows it at this size, centred in its area, which is kept at least this big so that no
// scale cuts it.
constexpr int kClipWidth = 180;
constexpr int kClipHeight = 176;

} // namespace

CDetectCablePhnoeDlg::CDetectCablePhnoeDlg(CWnd* pParent)
    : CSkinPage(IDD_DETECT_CABLE, IDB_PAGE_BACKGROUND, pParent) {}

CDetectCablePhnoeDlg::~CDetectCablePhnoeDlg() {
    if (m_brAnimBack != nullptr) {
        ::DeleteObject(m_brAnimBack);
        m_brAnimBack = nullptr;
    }
    if (m_animation.m_hWnd != nullptr) {
        m_animation.Close();
    }
}

std::wstring CDetectCablePhnoeDlg::ClipPath() {
    // The folder keeps its trailing backslash, so the name's own backslash doubles it; the
    // file system accepts that. Without a module path only "\detectphone.pgr" remains.
    return hitched::ModuleDirectoryWithBackslash() + L"\\detectphone.pgr";
}

void CDetectCablePhnoeDlg::DoDataExchange() {
    BindControl(IDC_DETECT_ANIMATION, m_animation);
}

BOOL CDetectCablePhnoeDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the animation and fetches the hollow brush
    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_DETECT);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_DETECT_CABLE_STATEMENT);

    // The brush must exist before the clip opens: the control plays at once (auto-play) and
    // asks for its background while opening, then keeps the brush it was given; a null answer
    // would leave it with the dialog's grey for good.
    m_brAnimBack = ::CreateSolidBrush(kAnimationBackground);

    // The program holds no "AVI" resource of that name, so the control opens the file.
    GrowWindowToAtLeast(m_animation.m_hWnd, kClipWidth, kClipHeight);
    const std::wstring clip = ClipPath();
    if (m_animation.Open(clip.c_str(), ::GetModuleHandleW(nullptr))) {
        m_animation.Play(0, 0xFFFF, static_cast<UINT>(-1));
    }
    return TRUE;
}

void CDetectCablePhnoeDlg::OnDpiChanged(UINT nOldDpi) {
    CSkinPage::OnDpiChanged(nOldDpi);
    GrowWindowToAtLeast(m_animation.m_hWnd, kClipWidth, kClipHeight);
}

HBRUSH CDetectCablePhnoeDlg::OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor) {
    HBRUSH brush = CSkinPage::OnCtlColor(hDC, hCtl, nCtlColor);
    if (hCtl != nullptr && ::GetDlgCtrlID(hCtl) == IDC_DETECT_ANIMATION) {
        ::SetBkColor(hDC, kAnimationBackground);
        ::SetBkMode(hDC, TRANSPARENT);
        return m_brAnimBack;
    }
    return brush;
}
