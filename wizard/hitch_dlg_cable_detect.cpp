// Waiting for a phone on the USB cable: the two-minute time-out (timer 100) and the worker
// that polls the port service once a second while page 2 is shown.
#include "wizard/hitch_dlg.h"

#include "pages/completed_page.h"
#include "pages/troubleshoot_dialog.h"
#include "portservice/connected_phone.h"
#include "portservice/port_service.h"

#include <chrono>

namespace {
constexpr UINT kCableDetectTimeoutMs = 120000;
constexpr std::size_t kCableDetectBufferBytes = 51200;
constexpr auto kCableDetectPoll = std::chrono::milliseconds(1000);
} // namespace

void CHitchDlg::StartCableDetect() {
    m_bStopCableDetect = FALSE;
    SetTimer(kTimerCableDetect, kCableDetectTimeoutMs);
}

void CHitchDlg::StopCableDetect() {
    SignalCableDetectStop();
    KillTimer(kTimerCableDetect);
}

void CHitchDlg::SignalCableDetectStop() {
    {
        std::lock_guard<std::mutex> lock(m_cableDetectWakeLock);
        m_bStopCableDetect = TRUE;
    }
    m_cableDetectWake.notify_all();
}

void CHitchDlg::StartCableDetectThread() {
    const unsigned generation = ++m_nCableDetectGeneration;
    m_cableDetectThread = std::thread(&CHitchDlg::CableDetectThread, this, generation);
}

void CHitchDlg::JoinCableDetectThread() {
    if (!m_cableDetectThread.joinable()) {
        return;
    }
    SignalCableDetectStop();
    m_cableDetectThread.join();
}

unsigned CHitchDlg::CableDetectThread(CHitchDlg* pDlg, unsigned nGeneration) {
    if (pDlg == nullptr) {
        return 0;
    }
    auto phones = std::make_unique<std::vector<unsigned char>>(kCableDetectBufferBytes, 0);
    int count = 0;
    for (;;) {
        if (pDlg->m_bStopCableDetect) {
            return 1;
        }
        count = pDlg->m_pPortService != nullptr
                    ? pDlg->m_pPortService->CopyConnectedPhones(phones->data(), phones->size())
                    : 0;
        if (count != 0) {
            break;
        }
        std::unique_lock<std::mutex> lock(pDlg->m_cableDetectWakeLock);
        pDlg->m_cableDetectWake.wait_for(lock, kCableDetectPoll,
                                         [pDlg] { return pDlg->m_bStopCableDetect.load(); });
    }
    // The completed page and the page switch belong to the UI thread: hand the records over.
    phones->resize(static_cast<std::size_t>(count) * sizeof(_CONNECTEDPHONE_T));
    pDlg->PostPhones(WM_CABLE_PHONES_FOUND, nGeneration, std::move(*phones));
    return 1;
}

BOOL CHitchDlg::PostPhones(UINT message, WPARAM wParam, std::vector<unsigned char> records) {
    const unsigned number = m_postedPhones.Keep(std::move(records));
    if (PostMessage(message, wParam, static_cast<LPARAM>(number))) {
        return TRUE;
    }
    m_postedPhones.Take(number);
    return FALSE;
}

void CHitchDlg::OnCablePhonesFound(unsigned nGeneration, unsigned nBlock) {
    // A number the frame did not hand out (a message from elsewhere) finds nothing.
    const std::optional<CPostedBlocks::Block> phones = m_postedPhones.Take(nBlock);
    // Posted after ShowPage(2) has recorded page 2, so page 5 is the later state. A result
    // that arrives after the user left page 2, or after the time-out, is stale.
    if (!phones || m_bStopCableDetect || nGeneration != m_nCableDetectGeneration) {
        return;
    }
    if (m_pCompletedPage != nullptr) {
        m_pCompletedPage->FillConnectedPhones(
            phones->data(), static_cast<int>(phones->size() / sizeof(_CONNECTEDPHONE_T)));
    }
    ShowPage(PAGE_COMPLETED);
    StopCableDetect();
}

void CHitchDlg::OnCableDetectTimeout() {
    StopCableDetect();
    if (m_pTroubleshootDlg != nullptr) {
        m_pTroubleshootDlg->SetMode(0);
        m_pTroubleshootDlg->ShowWindow(SW_SHOWNORMAL);
    }
}

void CHitchDlg::OnMonitorPhones(unsigned nBlock) {
    const std::optional<CPostedBlocks::Block> phones = m_postedPhones.Take(nBlock);
    if (!phones || m_pCompletedPage == nullptr) {
        return;
    }
    // No phones is a list to show too: an empty block still needs an address, since a null
    // block leaves the page as it was.
    static const unsigned char kNoRecords[1] = {};
    const void* records = phones->empty() ? kNoRecords : phones->data();
    m_pCompletedPage->FillConnectedPhones(
        records, static_cast<int>(phones->size() / sizeof(_CONNECTEDPHONE_T)));
}

void CHitchDlg::DiscardPostedPhones() {
    if (m_hWnd == nullptr) {
        return;
    }
    MSG message;
    while (::PeekMessageW(&message, m_hWnd, WM_CABLE_PHONES_FOUND, WM_MONITOR_PHONES, PM_REMOVE)) {
    }
    m_postedPhones.Clear();
}
