#pragma once
#include "pages/skin_page.h"
#include "pages/wizard_notify.h"

#include <cstdint>
#include <string>

// Page 6: pairing the chosen Bluetooth phone. It shows what the phone's way of pairing needs:
// a passcode to choose (older phones), the number the phone shows to type here, a number to
// compare or to type on the phone, the wait for the phone's serial port, or the offer to try
// again. Only digits stand in the field, and the frame's Next button is on exactly while some
// do; the frame writes the phone's name, switches the view and reads the field on Next.
class CBluetoothPairringDlg : public CSkinPage {
public:
    enum class View { Waiting, Legacy, Passkey, Numeric, Notification, PortWait, Retry };

    explicit CBluetoothPairringDlg(CWnd* pParent = nullptr);
    ~CBluetoothPairringDlg() override;

    void SetNotifySink(CWizardNotify* pSink) { m_pNotify = pSink; }

    std::wstring GetPasscode() const;
    void SetPhoneName(const std::wstring& name);
    // number: the six digits to compare or to type on the phone.
    void ShowView(View view, uint32_t number = 0);
    View CurrentView() const { return m_view; }
    void SetProgress(int percent);
    // Where the user acts next: the field when it is shown, else the frame's Next button.
    bool FocusField();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnPasscodeChange();
    void SetButtons(BOOL bNext);

    CWizardNotify* m_pNotify = nullptr;
    View m_view = View::Legacy;
};
