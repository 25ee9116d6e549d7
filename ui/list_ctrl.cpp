#include "ui/list_ctrl.h"

#include <vector>

int CListCtrl::InsertColumn(int nCol, const wchar_t* szHeading, int nFormat, int nWidth) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<wchar_t*>(szHeading);
    column.iSubItem = nCol;
    return static_cast<int>(Send(LVM_INSERTCOLUMNW, nCol, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const std::wstring& text, int nImage) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = nImage;
    return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItem(int nItem, int nSubItem, const std::wstring& text, int nImage) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.iSubItem = nSubItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = nImage;
    return static_cast<BOOL>(Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return static_cast<BOOL>(Send(LVM_SETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item)));
}

std::wstring CListCtrl::GetItemText(int nItem, int nSubItem) const {
    std::vector<wchar_t> buffer(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = Send(LVM_GETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item));
    return std::wstring(buffer.data(), static_cast<std::size_t>(length));
}

int CListCtrl::GetItemImage(int nItem, int nSubItem) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    item.iSubItem = nSubItem;
    if (!Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        return -1;
    }
    return item.iImage;
}

LPARAM CListCtrl::GetItemData(int nItem) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

BOOL CListCtrl::SetItemData(int nItem, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = data;
    return static_cast<BOOL>(Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void CListCtrl::Select(int nItem) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (nItem >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        Send(LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item));
    }
}
