#pragma once
#include "pages/skin_page.h"
#include "pages/wizard_notify.h"

#include <string>

// Page 6: the passcode for pairing the chosen Bluetooth phone. Only digits stand in the field,
// and the frame's Next button is on exactly while some do; the frame writes the phone's name
// and reads the passcode when Next is pressed.
class CBluetoothPairringDlg : public CSkinPage {
public:
    explicit CBluetoothPairringDlg(CWnd* pParent = nullptr);
    ~CBluetoothPairringDlg() override;

    void SetNotifySink(CWizardNotify* pSink) { m_pNotify = pSink; }

    std::wstring GetPasscode() const;
    void SetPhoneName(const std::wstring& name);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnPasscodeChange();
    void SetButtons(BOOL bNext);

    CWizardNotify* m_pNotify = nullptr;
};
