#include "pages/bt_pairing_page.h"

#include "res/resource.h"

namespace {

// Passkeys of up to 16 digits; the edit refuses more.
constexpr int kPasscodeMaxChars = 16;

} // namespace

CBluetoothPairringDlg::CBluetoothPairringDlg(CWnd* pParent)
    : CSkinPage(IDD_BT_PAIRING, IDB_PAGE_BACKGROUND, pParent) {}

CBluetoothPairringDlg::~CBluetoothPairringDlg() = default;

BOOL CBluetoothPairringDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // fetches the hollow brush
    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_BLUETOOTH_VERIFY_PHONE);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_BLUETOOTH_VERIFY_PHONE_TIPS);
    SetDlgItemLangText(IDC_BT_PASSCODE_LABEL, IDS_STRING_BLUETOOTH_PASSCODE);
    SetDlgItemLangText(IDC_BT_PASSCODE_TIPS, IDS_STRING_BLUETOOTH_PASSCODE_TIPS);
    SetDlgItemLangText(IDC_BT_PHONENAME_LABEL, IDS_STRING_BLUETOOTH_PHONENAME);
    SetDlgItemLangText(IDC_BT_NEXT_TIPS, IDS_STRING_BLUETOOTH_NEXT_TIPS);
    ::SendMessageW(GetDlgItem(IDC_BT_PASSCODE), EM_LIMITTEXT, kPasscodeMaxChars, 0);
    return TRUE;
}

std::wstring CBluetoothPairringDlg::GetPasscode() const {
    return GetDlgItemText(IDC_BT_PASSCODE);
}

void CBluetoothPairringDlg::SetPhoneName(const std::wstring& name) {
    SetDlgItemText(IDC_BT_PAIR_PHONENAME, name);
}

BOOL CBluetoothPairringDlg::OnCommand(WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) != IDC_BT_PASSCODE || HIWORD(wParam) != EN_CHANGE) {
        return FALSE;
    }
    OnPasscodeChange();
    return TRUE;
}

void CBluetoothPairringDlg::SetButtons(BOOL bNext) {
    if (m_pNotify != nullptr) {
        m_pNotify->Notify(WN_SET_BUTTONS, 1, bNext ? reinterpret_cast<void*>(1) : nullptr);
    }
}

void CBluetoothPairringDlg::OnPasscodeChange() {
    const std::wstring text = GetPasscode();
    if (text.empty()) {
        SetButtons(FALSE);
        return;
    }
    SetButtons(TRUE);
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            // A text with any other character is wiped whole, never trimmed.
            SetDlgItemText(IDC_BT_PASSCODE, L"");
            SetButtons(FALSE);
            return;
        }
    }
}
