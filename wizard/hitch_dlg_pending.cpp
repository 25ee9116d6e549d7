// The frame's Bluetooth wizard steps, which come with the Bluetooth pages. Each is already
// called where the navigation, timers and shut-down need it, so the order stays as it will be;
// until then no search starts and Next on the Bluetooth pages does nothing.
#include "wizard/hitch_dlg.h"

BOOL CHitchDlg::StartDetection() {
    return FALSE;
}

void CHitchDlg::StopDetection() {}

int CHitchDlg::RemovePairing(void*) {
    return 0;
}

void CHitchDlg::OnBtSearchPageShown() {
    if (!m_bSearching && !m_bDevicesListed) {
        StartDetection();
    }
}

void CHitchDlg::OnBtPairingPageShowing() {}

void CHitchDlg::OnNextBtSearch() {}

void CHitchDlg::OnNextBtPairing() {}


void CHitchDlg::OnBtSearchTimeout() {}

void CHitchDlg::OnBtSearchProgress() {}
