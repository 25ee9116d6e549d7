#pragma once

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
