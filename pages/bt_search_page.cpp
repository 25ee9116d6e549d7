#include "pages/bt_search_page.h"

#include "pages/list_images.h"

#include "app/language_service.h"
#include "res/resource.h"

namespace {

// The search's progress runs in ten-thousandths.
constexpr int kProgressRange = 10000;
// Columns 1 and 2 hold only an image; the name takes the rest of the list.
constexpr int kStateColumnWidth = 25;
constexpr int kNameColumnReserve = 80;

void SetUpButton(CSkinButton& button, UINT nCaptionId) {
    SetUpSkinButton(button, LoadLangString(nCaptionId), IDB_BT_BUTTON_BLUE, IDB_BT_BUTTON_GREY,
                    IDB_BT_BUTTON_RIM);
}

} // namespace

CBluetoothDetectDlg::CBluetoothDetectDlg(CWnd* pParent)
    : CSkinPage(IDD_BT_SEARCH, IDB_PAGE_BACKGROUND, pParent) {}

CBluetoothDetectDlg::~CBluetoothDetectDlg() {
    if (m_hImages != nullptr) {
        ::ImageList_Destroy(m_hImages);
    }
}

void CBluetoothDetectDlg::DoDataExchange() {
    BindControl(IDC_BT_DEVICE_LIST, m_listDevices);
    BindControl(IDC_BT_SEARCH_MORE, m_btnSearchMore);
    BindControl(IDC_BT_UNPAIR, m_btnUnpair);
}

// Only what the page needs to look finished. The search, the selection and its status text,
// "Search for more...", "cancel paired" and the notifications to the frame come with
// Bluetooth support.
BOOL CBluetoothDetectDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the controls and fetches the hollow brush
    SetUpButton(m_btnSearchMore, IDS_STRING_BLUETOOTH_SEARCHFORMAOR);
    SetUpButton(m_btnUnpair, IDS_STRING_BLUETOOTH_UNPAIR);

    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_BLUETOOTH_SEARCHANDSELECT);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_BLUETOOTH_SEARCHED_DEVICE);
    SetDlgItemLangText(IDC_PAGE_TEXT2, IDS_STRING_BLUETOOTH_STATEMENT);

    SetUpDeviceList();

    HWND hProgress = GetDlgItem(IDC_BT_PROGRESS);
    ::SendMessageW(hProgress, PBM_SETRANGE32, 0, kProgressRange);
    ::SendMessageW(hProgress, PBM_SETSTEP, 1, 0);
    return TRUE;
}

void CBluetoothDetectDlg::SetUpDeviceList() {
    RECT client{};
    ::GetClientRect(m_listDevices.m_hWnd, &client);
    m_listDevices.InsertColumn(0, L"", LVCFMT_LEFT,
                               client.right - client.left - kNameColumnReserve);
    m_listDevices.InsertColumn(1, L"", LVCFMT_LEFT, kStateColumnWidth);
    m_listDevices.InsertColumn(2, L"", LVCFMT_LEFT, kStateColumnWidth);
    m_listDevices.SetExtendedStyle(m_listDevices.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES);

    m_hImages = AttachListImages(m_listDevices);
}

void CBluetoothDetectDlg::OnSkinPainted(HDC hDC) {
    // The buttons keep the freshly painted skin to show through their transparent pixels.
    m_btnSearchMore.CaptureParentBackground(hDC);
    m_btnUnpair.CaptureParentBackground(hDC);
}
