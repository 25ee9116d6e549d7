#include "pages/completed_page.h"

#include "pages/list_images.h"

#include "app/language_service.h"
#include "pages/page_texts.h"
#include "platform/wchar_utf16.h"
#include "portservice/connected_phone.h"
#include "res/resource.h"
#include "ui/display_scale.h"

#include <cstring>
#include <string_view>

namespace {

constexpr int kNameColumnWidth = 200;
constexpr int kPhoneImage = 0;

// A record's text field up to its terminator, or the whole field when a sender filled it.
template <std::size_t N> std::u16string_view FieldText(const char16_t (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != u'\0') {
        ++length;
    }
    return std::u16string_view(field, length);
}

} // namespace

CConnectCompletedDlg::CConnectCompletedDlg(CWnd* pParent)
    : CSkinPage(IDD_CONNECT_COMPLETED, IDB_PAGE_BACKGROUND, pParent) {}

CConnectCompletedDlg::~CConnectCompletedDlg() {
    // The list only borrows the image list (it shares it), so this is its one release.
    if (m_imageList != nullptr) {
        if (m_list.m_hWnd != nullptr) {
            m_list.SetImageList(nullptr, LVSIL_SMALL);
        }
        ::ImageList_Destroy(m_imageList);
        m_imageList = nullptr;
    }
}

void CConnectCompletedDlg::DoDataExchange() {
    BindControl(IDC_PHONE_LIST, m_list);
}

BOOL CConnectCompletedDlg::OnInitDialog() {
    CSkinPage::OnInitDialog(); // binds the list and fetches the hollow brush
    SetTitleFont(IDC_PAGE_TITLE);
    SetDlgItemLangText(IDC_PAGE_TITLE, IDS_STRING_CONNECT_COMPLETE);
    SetDlgItemLangText(IDC_PAGE_TEXT, IDS_STRING_CONNECT_COMPLETE_STATEMENT);
    SetDlgItemLangText(IDC_COMPLETED_TEXT2, IDS_STRING_CONNECT_COMPLETE_STATEMENT2);
    SetUpList();
    return TRUE;
}

void CConnectCompletedDlg::SetUpList() {
    if (m_list.m_hWnd == nullptr) {
        return;
    }
    m_list.InsertColumn(0, L"", LVCFMT_LEFT, 0);
    m_list.InsertColumn(1, L"", LVCFMT_LEFT, 0);
    SizeColumns();
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES |
                            LVS_EX_FULLROWSELECT);

    // Without this style the list would destroy the image list with itself, and the page
    // would release it a second time.
    m_imageList = AttachListImages(m_list, GetDpi());
}

void CConnectCompletedDlg::SizeColumns() {
    // The name column's width is in pixels of the 96 DPI design.
    RECT client{};
    m_list.GetClientRect(&client);
    const int nameWidth = hitched::ScaleToDpi(kNameColumnWidth, GetDpi());
    ListView_SetColumnWidth(m_list.m_hWnd, 0, nameWidth);
    ListView_SetColumnWidth(m_list.m_hWnd, 1, (client.right - client.left) - nameWidth);
}

void CConnectCompletedDlg::OnDpiChanged(UINT nOldDpi) {
    CSkinPage::OnDpiChanged(nOldDpi);
    if (m_list.m_hWnd != nullptr) {
        ReattachListImages(m_list, m_imageList, GetDpi());
        SizeColumns();
    }
}

void CConnectCompletedDlg::FillConnectedPhones(const void* pPhones, int nCount) {
    if (pPhones == nullptr) {
        return;
    }
    m_list.DeleteAllItems();
    const auto* pBytes = static_cast<const unsigned char*>(pPhones);
    for (int i = 0; i < nCount; ++i) {
        // The block need not be aligned for the record: copy it out first.
        _CONNECTEDPHONE_T phone{};
        std::memcpy(&phone, pBytes + static_cast<std::size_t>(i) * sizeof(_CONNECTEDPHONE_T),
                    sizeof(phone));

        const std::u16string name = hitched::PhoneDisplayName(FieldText(phone.tszManufacturer),
                                                              FieldText(phone.tszPhoneName));
        const UINT labelId = hitched::ConnectionLabelId(phone.dwConnectType);
        const std::wstring label = labelId != 0 ? LoadLangString(labelId) : std::wstring();

        m_list.InsertItem(i, L"", kPhoneImage);
        m_list.SetItemText(i, 0, hitched::ToWString(name));
        m_list.SetItemText(i, 1, label);
    }
}
