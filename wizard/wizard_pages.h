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
