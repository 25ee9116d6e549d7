#pragma once

// Page numbers of the wizard frame (values of CHitchDlg::m_nCurPage). PAGE_TROUBLESHOOT is a
// request, not a state: it opens the troubleshooting dialog over the current page.
enum WizardPage : int {
    PAGE_WELCOME = 0,
    PAGE_SELECT_TYPE = 1,
    PAGE_DETECT_CABLE = 2,
    PAGE_BT_SEARCH = 3,
    PAGE_TROUBLESHOOT = 4,
    PAGE_COMPLETED = 5,
    PAGE_BT_PAIRING = 6,
};

// Codes the Bluetooth pages pass to the frame through CWizardNotify::Notify.
enum WizardNotifyCode : int {
    WN_SET_BUTTONS = 1,   // nParam: Previous enabled; pData: Next enabled
    WN_START_SEARCH = 2,  // start a Bluetooth search
    WN_REMOVE_DEVICE = 3, // pData: the _BTDEVICEENTRY_T to unpair
};

// How the Bluetooth pages reach the frame that hosts them.
class CWizardNotify {
public:
    virtual int Notify(int nCode, int nParam, void* pData) = 0;

protected:
    ~CWizardNotify() = default;
};
