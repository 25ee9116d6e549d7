#include "pages/troubleshoot_dialog.h"

#include "app/help.h"
#include "app/help_topics.h"
#include "app/language_service.h"
#include "pages/page_texts.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kHeadingFace[] = L"Arial";
constexpr int kHeadingHeight = 16;
// A blank line between two advice segments.
constexpr wchar_t kSegmentSeparator[] = L"\r\n\r\n";

void SetUpButton(CSkinButton& button, UINT nCaptionId, UINT nDpi) {
    SetUpSkinButton(button, LoadLangString(nCaptionId), IDB_TS_BUTTON_HOVER, IDB_TS_BUTTON_NORMAL,
                    IDB_TS_BUTTON_PRESSED, nDpi);
}

} // namespace

CConnectErrorShootDlg::CConnectErrorShootDlg(CWnd* pParent)
    : CSkinPage(IDD_TROUBLESHOOT, IDB_TROUBLESHOOT_BACKGROUND, pParent) {}

CConnectErrorShootDlg::~CConnectErrorShootDlg() = default;

void CConnectErrorShootDlg::DoDataExchange() {
    BindControl(IDC_TS_HELP, m_btnHelp);
    BindControl(IDOK, m_btnOK);
}

BOOL CConnectErrorShootDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the buttons and fetches the hollow brush
    SetWindowText(LoadLangString(IDS_STRING_ERRORSHOOT_TITLE));
    SetUpButton(m_btnHelp, IDS_STRING_HELP, GetDpi());
    SetUpButton(m_btnOK, IDS_STRING_OK, GetDpi());
    FillTexts();
    return TRUE;
}

void CConnectErrorShootDlg::FillTexts() {
    const hitched::TroubleshootTexts texts = hitched::TroubleshootTextsForMode(m_nMode);
    // Each segment is appended to what the control holds, so the text is built in the
    // control itself, one segment at a time.
    for (size_t i = 0; i < texts.segmentIds.size(); ++i) {
        const std::wstring segment = LoadLangString(texts.segmentIds[i]);
        if (i == 0) {
            SetDlgItemText(IDC_TS_ADVICE, segment);
        } else {
            SetDlgItemText(IDC_TS_ADVICE,
                           GetDlgItemText(IDC_TS_ADVICE) + kSegmentSeparator + segment);
        }
    }
    SetTitleFont(IDC_TS_HEADING, kHeadingFace, kHeadingHeight);
    SetDlgItemText(IDC_TS_HEADING, LoadLangString(texts.headingId));
}

void CConnectErrorShootDlg::OnDpiChanged(UINT nOldDpi) {
    CSkinPage::OnDpiChanged(nOldDpi);
    for (CSkinButton* button : {&m_btnHelp, &m_btnOK}) {
        ScaleSkinButton(*button, IDB_TS_BUTTON_HOVER, IDB_TS_BUTTON_NORMAL, IDB_TS_BUTTON_PRESSED,
                        GetDpi());
    }
}

void CConnectErrorShootDlg::OnSkinPainted(HDC hDC) {
    // The buttons keep the freshly painted skin to show through their transparent pixels.
    m_btnHelp.CaptureParentBackground(hDC);
    m_btnOK.CaptureParentBackground(hDC);
}

BOOL CConnectErrorShootDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_TS_HELP) {
        OnHelp();
        return TRUE;
    }
    return CSkinPage::OnCommand(wParam, lParam);
}

void CConnectErrorShootDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
    CSkinPage::OnShowWindow(bShow, nStatus);
    // The mode may have changed while hidden, and the language file may have been replaced.
    FillTexts();
}

BOOL CConnectErrorShootDlg::OnHelpInfo(HELPINFO*) {
    OnHelp();
    return TRUE;
}

void CConnectErrorShootDlg::OnHelp() {
    ShowHelpTopic(LoadLangString(hitched::HelpTopicIdForTroubleshootMode(m_nMode)));
}

void CConnectErrorShootDlg::OnOK() {
    // Hidden, never destroyed: the frame shows it again with another mode.
    ShowWindow(SW_HIDE);
}

void CConnectErrorShootDlg::OnCancel() {
    // The standard cancel; for this modeless dialog it only hides the window.
    CDialog::OnCancel();
}
