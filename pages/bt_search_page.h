#pragma once
#include "controls/skin_button.h"
#include "pages/skin_page.h"
#include "pages/wizard_notify.h"
#include "res/resource.h"
#include "ui/list_ctrl.h"

#include <commctrl.h>

// Page 3: the Bluetooth devices a search found. The frame runs the search and fills the list
// (each row's item data is a _BTDEVICEENTRY_T the frame owns); the page tells the status of
// the selected device and passes "Search for more..." and "cancel paired" on to the frame.
class CBluetoothDetectDlg : public CSkinPage {
public:
    explicit CBluetoothDetectDlg(CWnd* pParent = nullptr);
    ~CBluetoothDetectDlg() override;

    void SetNotifySink(CWizardNotify* pSink) { m_pNotify = pSink; }

    // What the frame drives directly.
    CListCtrl& DeviceList() { return m_listDevices; }
    HWND ProgressBar() const { return GetDlgItem(IDC_BT_PROGRESS); }
    void EnableSearchButton(BOOL bEnable) { m_btnSearchMore.EnableWindow(bEnable); }
    void EnableUnpairButton(BOOL bEnable) { m_btnUnpair.EnableWindow(bEnable); }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnSkinPainted(HDC hDC) override;
    void OnDpiChanged(UINT nOldDpi) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    void SetUpDeviceList();
    void SizeColumns();
    void OnDeviceListClick();
    void OnSearchMore();
    void OnUnpair();
    void SetButtons(BOOL bNext);

    CWizardNotify* m_pNotify = nullptr;
    CListCtrl m_listDevices;        // 1025
    CSkinButton m_btnSearchMore;    // 1026
    CSkinButton m_btnUnpair;        // 1027
    HIMAGELIST m_hImages = nullptr; // owned: released with the page
};
