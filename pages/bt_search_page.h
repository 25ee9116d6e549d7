#pragma once
#include "controls/skin_button.h"
#include "pages/skin_page.h"
#include "pages/wizard_notify.h"
#include "ui/list_ctrl.h"

#include <commctrl.h>

// Page 3: the Bluetooth devices a search found. Created by the frame with the other pages;
// the search, the list and its buttons come with Bluetooth support.
class CBluetoothDetectDlg : public CSkinPage {
public:
    explicit CBluetoothDetectDlg(CWnd* pParent = nullptr);
    ~CBluetoothDetectDlg() override;

    void SetNotifySink(CWizardNotify* pSink) { m_pNotify = pSink; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnSkinPainted(HDC hDC) override;

private:
    void SetUpDeviceList();

    CWizardNotify* m_pNotify = nullptr;
    CListCtrl m_listDevices;        // 1025
    CSkinButton m_btnSearchMore;    // 1026
    CSkinButton m_btnUnpair;        // 1027
    HIMAGELIST m_hImages = nullptr; // owned: released with the page
};
