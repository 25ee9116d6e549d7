#include "pages/bt_pairing_page.h"

#include "res/resource.h"

namespace {

// Passkeys of up to 16 digits; the edit refuses more.
constexpr int kPasscodeMaxChars = 16;

} // namespace

CBluetoothPairringDlg::CBluetoothPairringDlg(CWnd* pParent)
    : CSkinPage(IDD_BT_PAIRING, IDB_PAGE_BACKGROUND, pParent) {}

CBluetoothPairringDlg::~CBluetoothPairringDlg() = default;

// Only what the page needs to look finished. Filtering the passcode to digits and keeping the
// frame's Next button in step with it come with Bluetooth support.
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
