#pragma once
#include "ui/wnd.h"

#include <commctrl.h>

#include <string>

// A report-view list control bound to a member: the few list operations the pages use.
class CListCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(Send(LVM_DELETEALLITEMS, 0, 0)); }
    int InsertColumn(int nCol, const wchar_t* szHeading, int nFormat, int nWidth);
    // Inserts a row with its text and image; the new row's index, -1 on failure.
    int InsertItem(int nItem, const std::wstring& text, int nImage);
    BOOL SetItem(int nItem, int nSubItem, const std::wstring& text, int nImage);
    BOOL SetItemText(int nItem, int nSubItem, const std::wstring& text);
    std::wstring GetItemText(int nItem, int nSubItem) const;
    int GetItemImage(int nItem, int nSubItem) const;
    BOOL DeleteItem(int nItem) { return static_cast<BOOL>(Send(LVM_DELETEITEM, nItem, 0)); }
    LPARAM GetItemData(int nItem) const;
    BOOL SetItemData(int nItem, LPARAM data);
    // The first selected row, -1 when none is.
    int GetFirstSelected() const {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // Selects and focuses one row, or clears the selection for -1.
    void Select(int nItem);
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    }
    void SetExtendedStyle(DWORD dwStyle) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle); }
    HIMAGELIST SetImageList(HIMAGELIST hList, int nType) {
        return reinterpret_cast<HIMAGELIST>(
            Send(LVM_SETIMAGELIST, nType, reinterpret_cast<LPARAM>(hList)));
    }
    int GetColumnWidth(int nCol) const {
        return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, nCol, 0));
    }

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
};
