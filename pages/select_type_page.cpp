#include "pages/select_type_page.h"

#include "res/resource.h"

namespace {

// A radio button that is missing from the page counts as not checked.
bool IsRadioChecked(HWND hRadio) {
    return hRadio != nullptr && ::SendMessageW(hRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace

CSelectMediaTypeDlg::CSelectMediaTypeDlg(CWnd* pParent)
    : CSkinPage(IDD_SELECT_TYPE, IDB_PAGE_BACKGROUND, pParent) {}

CSelectMediaTypeDlg::~CSelectMediaTypeDlg() = default;

int CSelectMediaTypeDlg::GetSelectedType() {
    if (IsRadioChecked(GetDlgItem(IDC_RADIO_CABLE))) {
        return 0;
    }
    if (IsRadioChecked(GetDlgItem(IDC_RADIO_INFRARED))) {
        return 1;
    }
    if (IsRadioChecked(GetDlgItem(IDC_RADIO_BLUETOOTH))) {
        return 2;
    }
    return 0;
}

void CSelectMediaTypeDlg::DoDataExchange() {
    // Nothing to bind: the radio buttons are looked up by id each time, so that a missing
    // one is simply skipped.
}

BOOL CSelectMediaTypeDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // also fetches the hollow brush
    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_SELECTTYPE);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_STATEMENT);
    SetDlgItemLangText(IDC_PAGE_TEXT2, IDS_STRING_STATEMENT2);

    // USB cable is the preselected type.
    if (HWND hCable = GetDlgItem(IDC_RADIO_CABLE)) {
        ::SendMessageW(hCable, BM_SETCHECK, BST_CHECKED, 0);
        SetDlgItemLangText(IDC_RADIO_CABLE, IDS_STRING_CAPEL);
    }
    if (GetDlgItem(IDC_RADIO_INFRARED) != nullptr) {
        SetDlgItemLangText(IDC_RADIO_INFRARED, IDS_STRING_INFRARED);
    }
    if (GetDlgItem(IDC_RADIO_BLUETOOTH) != nullptr) {
        SetDlgItemLangText(IDC_RADIO_BLUETOOTH, IDS_STRING_BLUETOOTH);
    }
    return TRUE;
}
