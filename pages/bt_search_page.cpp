#include "pages/bt_search_page.h"

#include "contracts/bt_device_info.h"
#include "pages/list_images.h"

#include "app/language_service.h"
#include "res/resource.h"
#include "ui/display_scale.h"

namespace {

// The search's progress runs in ten-thousandths.
constexpr int kProgressRange = 10000;
// Columns 1 and 2 hold only an image; the name takes the rest of the list.
constexpr int kStateColumnWidth = 25;
constexpr int kNameColumnReserve = 80;

void SetUpButton(CSkinButton& button, UINT nCaptionId, UINT nDpi) {
    SetUpSkinButton(button, LoadLangString(nCaptionId), IDB_BT_BUTTON_BLUE, IDB_BT_BUTTON_GREY,
                    IDB_BT_BUTTON_RIM, nDpi);
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

BOOL CBluetoothDetectDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the controls and fetches the hollow brush
    SetUpButton(m_btnSearchMore, IDS_STRING_BLUETOOTH_SEARCHFORMAOR, GetDpi());
    SetUpButton(m_btnUnpair, IDS_STRING_BLUETOOTH_UNPAIR, GetDpi());

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
    m_listDevices.InsertColumn(0, L"", LVCFMT_LEFT, 0);
    m_listDevices.InsertColumn(1, L"", LVCFMT_LEFT, 0);
    m_listDevices.InsertColumn(2, L"", LVCFMT_LEFT, 0);
    SizeColumns();
    m_listDevices.SetExtendedStyle(m_listDevices.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES);

    m_hImages = AttachListImages(m_listDevices, GetDpi());
}

void CBluetoothDetectDlg::SizeColumns() {
    // Widths in pixels of the 96 DPI design, at the page's DPI.
    RECT client{};
    ::GetClientRect(m_listDevices.m_hWnd, &client);
    const int stateWidth = hitched::ScaleToDpi(kStateColumnWidth, GetDpi());
    const int reserve = hitched::ScaleToDpi(kNameColumnReserve, GetDpi());
    ListView_SetColumnWidth(m_listDevices.m_hWnd, 0, client.right - client.left - reserve);
    ListView_SetColumnWidth(m_listDevices.m_hWnd, 1, stateWidth);
    ListView_SetColumnWidth(m_listDevices.m_hWnd, 2, stateWidth);
}

void CBluetoothDetectDlg::OnDpiChanged(UINT nOldDpi) {
    CSkinPage::OnDpiChanged(nOldDpi);
    ScaleSkinButton(m_btnSearchMore, IDB_BT_BUTTON_BLUE, IDB_BT_BUTTON_GREY, IDB_BT_BUTTON_RIM,
                    GetDpi());
    ScaleSkinButton(m_btnUnpair, IDB_BT_BUTTON_BLUE, IDB_BT_BUTTON_GREY, IDB_BT_BUTTON_RIM,
                    GetDpi());
    ReattachListImages(m_listDevices, m_hImages, GetDpi());
    SizeColumns();
}

void CBluetoothDetectDlg::OnSkinPainted(HDC hDC) {
    // The buttons keep the freshly painted skin to show through their transparent pixels.
    m_btnSearchMore.CaptureParentBackground(hDC);
    m_btnUnpair.CaptureParentBackground(hDC);
}

BOOL CBluetoothDetectDlg::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_BT_DEVICE_LIST) {
        return FALSE;
    }
    if (header->code == LVN_ITEMCHANGED) {
        // A row selected from the keyboard counts as clicked: Next acts on it.
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        const bool selected = (change->uChanged & LVIF_STATE) != 0 &&
                              (change->uNewState & LVIS_SELECTED) != 0 &&
                              (change->uOldState & LVIS_SELECTED) == 0;
        if (selected) {
            OnDeviceListClick();
        }
        *pResult = 0;
        return TRUE;
    }
    if (header->code != NM_CLICK) {
        return FALSE;
    }
    OnDeviceListClick();
    *pResult = 0;
    return TRUE;
}

BOOL CBluetoothDetectDlg::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDC_BT_SEARCH_MORE:
        OnSearchMore();
        return TRUE;
    case IDC_BT_UNPAIR:
        OnUnpair();
        return TRUE;
    default:
        return FALSE;
    }
}

void CBluetoothDetectDlg::SetButtons(BOOL bNext) {
    if (m_pNotify != nullptr) {
        m_pNotify->Notify(WN_SET_BUTTONS, 1, bNext ? reinterpret_cast<void*>(1) : nullptr);
    }
}

void CBluetoothDetectDlg::OnDeviceListClick() {
    m_btnUnpair.EnableWindow(FALSE);
    const int selected = m_listDevices.GetFirstSelected();
    if (selected < 0) {
        SetButtons(FALSE); // the status of the last selection stays
        return;
    }
    SetButtons(TRUE);
    const auto* entry =
        reinterpret_cast<const _BTDEVICEENTRY_T*>(m_listDevices.GetItemData(selected));
    if (entry == nullptr) {
        return;
    }
    UINT status = IDS_STRING_BLUETOOTH_READY_NEEDCONN_AUTH;
    if (entry->bConnected != 0) {
        status = IDS_STRING_BLUETOOTH_READY_TOUSED;
    } else if (entry->stDeviceInfo.fAuthenticated != 0) {
        m_btnUnpair.EnableWindow(TRUE);
        status = IDS_STRING_BLUETOOTH_READY_NEEDCONN;
    }
    const std::wstring text =
        LoadLangString(status) + L"\r\n\r\n" + LoadLangString(IDS_STRING_BLUETOOTH_NEXT_TIPS);
    SetDlgItemText(IDC_BT_STATUS, text);
    if (entry->bConnected != 0) {
        m_btnUnpair.EnableWindow(TRUE);
    }
    // Hidden and shown again, so the transparent static repaints over the skin.
    ::ShowWindow(GetDlgItem(IDC_BT_STATUS), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BT_STATUS), SW_SHOW);
}

void CBluetoothDetectDlg::OnSearchMore() {
    SetButtons(FALSE);
    if (m_pNotify != nullptr) {
        m_pNotify->Notify(WN_START_SEARCH, 0, nullptr);
    }
}

void CBluetoothDetectDlg::OnUnpair() {
    const int selected = m_listDevices.GetFirstSelected();
    void* entry =
        selected < 0 ? nullptr : reinterpret_cast<void*>(m_listDevices.GetItemData(selected));
    if (entry == nullptr || m_pNotify == nullptr) {
        return;
    }
    m_listDevices.EnableWindow(FALSE);
    m_btnSearchMore.EnableWindow(FALSE);
    m_btnUnpair.EnableWindow(FALSE);
    // Returns once the frame has tried, updated the row and paused.
    m_pNotify->Notify(WN_REMOVE_DEVICE, 0, entry);
    m_btnSearchMore.EnableWindow(TRUE);
    m_listDevices.EnableWindow(TRUE);
    m_btnUnpair.EnableWindow(FALSE);
}
