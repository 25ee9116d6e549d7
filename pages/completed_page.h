#pragma once
#include "pages/skin_page.h"
#include "ui/list_ctrl.h"

#include <commctrl.h>

// Page 5: the connection is made; lists the connected phones with their kind of connection.
class CConnectCompletedDlg : public CSkinPage {
public:
    explicit CConnectCompletedDlg(CWnd* pParent = nullptr);
    ~CConnectCompletedDlg() override; // releases the image list

    // Replaces the rows by one per record of a block of nCount _CONNECTEDPHONE_T records
    // (2056 bytes apart). A null block changes nothing. Safe from any thread: every list
    // operation is a message to the list.
    void FillConnectedPhones(const void* pPhones, int nCount);

    CListCtrl m_list; // 1012; the frame reads its row count

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnDpiChanged(UINT nOldDpi) override;

private:
    // Columns, extended style and the image list of bitmap IDB_LIST_IMAGES.
    void SetUpList();
    void SizeColumns();

    HIMAGELIST m_imageList = nullptr; // owned; the list only shares it
};
