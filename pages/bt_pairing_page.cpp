#include "pages/bt_pairing_page.h"

#include "res/resource.h"

#include <commctrl.h>

#include <cwchar>

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
    SetTitleFont(IDC_BT_PAIR_NUMBER);
    ::SendMessageW(GetDlgItem(IDC_BT_PAIR_PROGRESS), PBM_SETRANGE32, 0, 100);
    return TRUE;
}

void CBluetoothPairringDlg::ShowView(View view, uint32_t number) {
    m_view = view;
    const bool field = view == View::Legacy || view == View::Passkey;
    const bool shown = view == View::Numeric || view == View::Notification;
    UINT text = IDS_STRING_BLUETOOTH_VERIFY_PHONE_TIPS;
    switch (view) {
    case View::Waiting:
        text = IDS_STRING_BLUETOOTH_PAIR_WAITING;
        break;
    case View::Legacy:
        break;
    case View::Passkey:
        text = IDS_STRING_BLUETOOTH_PAIR_PASSKEY;
        break;
    case View::Numeric:
        text = IDS_STRING_BLUETOOTH_PAIR_NUMERIC;
        break;
    case View::Notification:
        text = IDS_STRING_BLUETOOTH_PAIR_NOTIFY;
        break;
    case View::PortWait:
        text = IDS_STRING_BLUETOOTH_PAIR_PORTWAIT;
        break;
    case View::Retry:
        text = IDS_STRING_BLUETOOTH_PAIR_RETRY;
        break;
    }
    SetDlgItemLangText(IDC_PAGE_TEXT, text);
    SetDlgItemLangText(IDC_BT_PASSCODE_LABEL, view == View::Legacy
                                                  ? IDS_STRING_BLUETOOTH_PASSCODE
                                                  : IDS_STRING_BLUETOOTH_PAIR_NUMBER_LABEL);
    wchar_t digits[16] = {};
    std::swprintf(digits, 16, L"%06u", static_cast<unsigned>(number % 1000000));
    SetDlgItemText(IDC_BT_PAIR_NUMBER, shown ? digits : L"");
    const int fieldShow = field ? SW_SHOW : SW_HIDE;
    ::ShowWindow(GetDlgItem(IDC_BT_PASSCODE_LABEL), field || shown ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BT_PASSCODE), fieldShow);
    ::ShowWindow(GetDlgItem(IDC_BT_PASSCODE_TIPS), view == View::Legacy ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BT_PAIR_NUMBER), shown ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BT_PAIR_PROGRESS), view == View::PortWait ? SW_SHOW : SW_HIDE);
    if (view == View::PortWait) {
        SetProgress(0);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE); // the hollow statics show the skin again
}

void CBluetoothPairringDlg::SetProgress(int percent) {
    ::SendMessageW(GetDlgItem(IDC_BT_PAIR_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

bool CBluetoothPairringDlg::FocusField() {
    if (m_view != View::Legacy && m_view != View::Passkey) {
        return false;
    }
    const HWND edit = GetDlgItem(IDC_BT_PASSCODE);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    return true;
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
