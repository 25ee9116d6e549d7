#pragma once
#include "pages/skin_page.h"
#include "pages/wizard_notify.h"

// Page 6: the passcode for pairing the chosen Bluetooth phone. Created by the frame with the
// other pages; the passcode handling comes with Bluetooth support.
class CBluetoothPairringDlg : public CSkinPage {
public:
    explicit CBluetoothPairringDlg(CWnd* pParent = nullptr);
    ~CBluetoothPairringDlg() override;

    void SetNotifySink(CWizardNotify* pSink) { m_pNotify = pSink; }

protected:
    BOOL OnInitDialog() override;

private:
    CWizardNotify* m_pNotify = nullptr;
};
