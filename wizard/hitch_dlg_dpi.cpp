// The frame on a screen of another scale: its own controls move with ApplyDpi; the skinned
// buttons, the pages and the troubleshooting dialog (a window of its own) follow here.
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "pages/completed_page.h"
#include "pages/detect_cable_page.h"
#include "pages/layout_report.h"
#include "pages/select_type_page.h"
#include "pages/troubleshoot_dialog.h"
#include "pages/welcome_page.h"
#include "res/resource.h"
#include "ui/display_scale.h"
#include "wizard/hitch_dlg.h"

void CHitchDlg::ScaleButtons() {
    for (CSkinButton* button : {&m_btnHelp, &m_btnPrevious, &m_btnNext, &m_btnCancel}) {
        ScaleSkinButton(*button, IDB_BUTTON_HOVER, IDB_BUTTON_NORMAL, IDB_BUTTON_PRESSED, GetDpi());
    }
}

void CHitchDlg::OnDpiChanged(UINT) {
    ScaleButtons();
    CDialog* pages[] = {m_pWelcomePage,   m_pSelectTypePage, m_pDetectCablePage,
                        m_pCompletedPage, m_pBtSearchPage,   m_pBtPairingPage};
    for (CDialog* page : pages) {
        if (page != nullptr) {
            page->ApplyDpi(GetDpi()); // placed by the frame's ApplyDpi already
        }
    }
    // A window of its own, it follows the frame here (hidden, it gets no DPI change from the
    // system), its size scaled about its top-left corner; shown on another screen, its own
    // DPI change comes after.
    CConnectErrorShootDlg* advice = m_pTroubleshootDlg;
    if (advice != nullptr && advice->m_hWnd != nullptr && advice->GetDpi() != GetDpi()) {
        RECT rect{};
        ::GetWindowRect(advice->m_hWnd, &rect);
        ::SetWindowPos(advice->m_hWnd, nullptr, 0, 0,
                       ::MulDiv(rect.right - rect.left, GetDpi(), advice->GetDpi()),
                       ::MulDiv(rect.bottom - rect.top, GetDpi(), advice->GetDpi()),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        advice->ApplyDpi(GetDpi());
    }
    LogLayout(m_hWnd, GetDpi());
    // On a screen too small for the wizard at its scale it is laid out a little smaller
    // (which runs this once more, at the lower DPI).
    FitToWorkArea();
}

void CHitchDlg::FitToWorkArea() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT window{};
    RECT client{};
    if (!::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !::GetWindowRect(m_hWnd, &window) || !::GetClientRect(m_hWnd, &client)) {
        return;
    }
    const hitched::PixelSize clientSize{client.right, client.bottom};
    const hitched::PixelSize frame{window.right - window.left - client.right,
                                   window.bottom - window.top - client.bottom};
    const hitched::PixelSize work{monitor.rcWork.right - monitor.rcWork.left,
                                  monitor.rcWork.bottom - monitor.rcWork.top};
    const UINT fit = hitched::FitDpi(GetDpi(), clientSize, frame, work);
    if (fit >= GetDpi()) {
        return;
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.cx + ::MulDiv(clientSize.cx, fit, GetDpi()),
                   frame.cy + ::MulDiv(clientSize.cy, fit, GetDpi()),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyDpi(fit);
}
