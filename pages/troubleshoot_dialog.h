#pragma once
#include "controls/skin_button.h"
#include "pages/skin_page.h"

// Advice for a connection that did not work, in its own top-level window owned by the frame:
// a heading and a text joined from segments of the language file, chosen by the mode
// (0 USB cable, 1 infrared, 2 Bluetooth), with Help and OK. OK, Escape and the close box
// hide it; it lives as long as the frame.
class CConnectErrorShootDlg : public CSkinPage {
public:
    explicit CConnectErrorShootDlg(CWnd* pParent = nullptr);
    ~CConnectErrorShootDlg() override;

    // Stores the mode only; the texts follow at the next show or hide.
    void SetMode(int nMode) { m_nMode = nMode; }
    int GetMode() const { return m_nMode; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnSkinPainted(HDC hDC) override;
    void OnDpiChanged(UINT nOldDpi) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnShowWindow(BOOL bShow, UINT nStatus) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void FillTexts();
    void OnHelp();

    CSkinButton m_btnHelp; // 1017
    CSkinButton m_btnOK;   // 1
    int m_nMode = 0;
};
