#include "pages/welcome_page.h"

#include "res/resource.h"

CWelComeDlg::CWelComeDlg(CWnd* pParent) : CSkinPage(IDD_WELCOME, IDB_WELCOME_BACKGROUND, pParent) {}

CWelComeDlg::~CWelComeDlg() = default;

BOOL CWelComeDlg::IsShowAgain() {
    // Only a plain "checked" stops the page; an indeterminate box does not.
    return m_chkDoNotShow.GetCheck() == BST_CHECKED ? FALSE : TRUE;
}

void CWelComeDlg::DoDataExchange() {
    BindControl(IDC_WELCOME_DONOTSHOW, m_chkDoNotShow);
}

BOOL CWelComeDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the check box and fetches the hollow brush
    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_WELCOME_WIZARD);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_WELCOME_STATEMENT);
    SetDlgItemLangText(IDC_PAGE_TEXT2, IDS_STRING_WELCOME_STATEMENT2);
    SetDlgItemLangText(IDC_WELCOME_DONOTSHOW, IDS_STRING_WELCOME_DONOTSHOW_AGAIN);
    return TRUE;
}
