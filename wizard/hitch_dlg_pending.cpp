// Members of the frame whose subsystems are not built yet: the pages and their navigation,
// and Bluetooth. Each is already called where the
// frame's start-up, timers and shut-down need it, so the order stays as it will be; its body
// moves to the subsystem's own file when that subsystem arrives.
#include "wizard/hitch_dlg.h"

#include "portservice/window_owner.h"

void CHitchDlg::CreatePages() {
    // No pages yet: the frame shows its buttons over an empty page area.
}

void CHitchDlg::ShowPage(UINT nPage) {
    if (nPage <= PAGE_BT_PAIRING && nPage != PAGE_TROUBLESHOOT) {
        m_nCurPage = static_cast<int>(nPage);
    }
}

BOOL CHitchDlg::IsWizardShown() {
    return TRUE; // the welcome page setting comes with the pages
}

void CHitchDlg::OnNext() {}

void CHitchDlg::OnPrevious() {}

int CHitchDlg::Notify(int, int, void*) {
    return 0;
}

BOOL CHitchDlg::LoadBtLibrary() {
    return FALSE; // Bluetooth unavailable
}

void CHitchDlg::UnloadBtLibrary() {}

void CHitchDlg::StopDetection() {}

void CHitchDlg::OnCableDetectTimeout() {
    StopCableDetect();
}

void CHitchDlg::OnBtSearchTimeout() {}

void CHitchDlg::OnBtSearchProgress() {}
