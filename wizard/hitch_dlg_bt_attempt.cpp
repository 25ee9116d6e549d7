// The frame's Bluetooth attempt: the steps run on a worker thread while the wizard stays
// responsive; the worker posts only the attempt's number, and the frame reads the question or
// the outcome from the attempt it owns. Cancel refuses the pairing or stops the wait.
#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "app/language_service.h"
#include "detect/bt_pairing_attempt.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "res/resource.h"

using hitched::BtFailure;

struct CHitchDlg::BtAttempt {
    unsigned number = 0;
    _BTDEVICEENTRY_T entry{}; // bConnected set: the pass is to identify it
    int index = 0;            // its row on page 3
    bool pair = false;
    bool cancelled = false; // user-interface thread only
    std::unique_ptr<hitched::BtPairingAttempt> steps;
    // Left by the worker before it posts its end; read by the frame after the join.
    hitched::BtAttemptResult result;
    std::vector<unsigned char> phones;
    int count = 0;
};

namespace {

UINT FailureText(BtFailure failure) {
    switch (failure) {
    case BtFailure::Passcode:
        return IDS_STRING_BLUETOOTH_AUTHENTICATE_ERROR;
    case BtFailure::NoSerialService:
        return IDS_STRING_BLUETOOTH_ERR_NO_SERIAL;
    case BtFailure::OutOfRange:
        return IDS_STRING_BLUETOOTH_ERR_OUT_OF_RANGE;
    case BtFailure::Refused:
        return IDS_STRING_BLUETOOTH_ERR_REFUSED;
    case BtFailure::PortTimeout:
        return IDS_STRING_BLUETOOTH_ERR_PORT_TIMEOUT;
    case BtFailure::NoRadio:
        return IDS_STRING_BLUETOOTH_ERR_NO_RADIO;
    case BtFailure::Unavailable:
        return IDS_STRING_BLUETOOTH_ERR_UNAVAILABLE;
    case BtFailure::NotAPhone:
        return IDS_STRING_BLUETOOTH_ERR_NOT_PHONE;
    case BtFailure::None:
    case BtFailure::Cancelled:
        return 0;
    case BtFailure::Other:
        break;
    }
    return IDS_STRING_BLUETOOTH_ERR_OTHER;
}

CBluetoothPairringDlg::View ViewOf(uint32_t method) {
    using View = CBluetoothPairringDlg::View;
    switch (method) {
    case KVBT_PAIR_NUMERIC:
        return View::Numeric;
    case KVBT_PAIR_NOTIFICATION:
        return View::Notification;
    case KVBT_PAIR_PASSKEY:
        return View::Passkey;
    default:
        return View::Legacy;
    }
}

} // namespace

void CHitchDlg::StartBtAttempt(const _BTDEVICEENTRY_T& entry, int nIndex, bool bPair) {
    if (m_pBtDetect == nullptr || m_pBtAttempt != nullptr) {
        return;
    }
    SetWizardButtons(FALSE, FALSE, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
    if (bPair && m_pBtPairingPage != nullptr) {
        m_pBtPairingPage->ShowView(CBluetoothPairringDlg::View::Waiting);
    }
    auto attempt = std::make_unique<BtAttempt>();
    attempt->number = ++m_nBtAttempt;
    attempt->entry = entry;
    attempt->entry.bConnected = 1;
    attempt->index = nIndex;
    attempt->pair = bPair;
    BtAttempt* self = attempt.get();
    const HWND frame = m_hWnd;
    const WPARAM number = attempt->number;
    hitched::BtPairingAttempt::Hooks hooks;
    hooks.requestArrived = [frame, number] {
        ::PostMessageW(frame, WM_BT_PAIRING_REQUEST, number, 0);
    };
    hooks.portWait = [frame, number](int percent) {
        ::PostMessageW(frame, WM_BT_PORT_WAIT, number, percent);
    };
    hooks.confirm = [this, self] { return ConfirmPass(self->entry, self->phones, self->count); };
    attempt->steps = std::make_unique<hitched::BtPairingAttempt>(*m_pBtDetect, entry.stDeviceInfo,
                                                                 bPair, std::move(hooks));
    m_pBtAttempt = attempt.release();
    DebugLog(L"Bluetooth attempt %u: %ls", self->number, bPair ? L"pairing" : L"paired already");
    m_btAttemptThread = std::thread([self, frame] {
        self->result = self->steps->Run();
        ::PostMessageW(frame, WM_BT_ATTEMPT_DONE, self->number, 0);
    });
}

void CHitchDlg::AnswerBtPairing(bool bAccept, const std::u16string& passkey) {
    if (m_pBtAttempt != nullptr) {
        m_pBtAttempt->steps->Answer(bAccept, passkey);
    }
}

bool CHitchDlg::CancelBtAttempt() {
    if (m_pBtAttempt == nullptr) {
        return false;
    }
    if (!m_pBtAttempt->cancelled) {
        DebugLog(L"Bluetooth attempt %u cancelled", m_pBtAttempt->number);
        m_pBtAttempt->cancelled = true;
        m_pBtAttempt->steps->Cancel();
    }
    SetWizardButtons(FALSE, FALSE, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
    return true;
}

void CHitchDlg::EndBtAttempt() {
    if (m_pBtAttempt != nullptr) {
        m_pBtAttempt->steps->Cancel();
    }
    if (m_btAttemptThread.joinable()) {
        m_btAttemptThread.join();
    }
    delete m_pBtAttempt;
    m_pBtAttempt = nullptr;
}

BOOL CHitchDlg::OnBtAttemptMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_BT_PAIRING_REQUEST && message != WM_BT_PORT_WAIT &&
        message != WM_BT_ATTEMPT_DONE) {
        return FALSE;
    }
    // A late message of an attempt already over is dropped.
    if (m_pBtAttempt == nullptr || m_pBtAttempt->number != wParam) {
        return TRUE;
    }
    if (message == WM_BT_PAIRING_REQUEST) {
        OnBtPairingRequest();
    } else if (message == WM_BT_PORT_WAIT) {
        if (m_pBtAttempt->pair && !m_pBtAttempt->cancelled && m_pBtPairingPage != nullptr) {
            if (m_pBtPairingPage->CurrentView() != CBluetoothPairringDlg::View::PortWait) {
                m_pBtPairingPage->ShowView(CBluetoothPairringDlg::View::PortWait);
            }
            m_pBtPairingPage->SetProgress(static_cast<int>(lParam));
        }
    } else {
        OnBtAttemptDone();
    }
    return TRUE;
}

void CHitchDlg::OnBtPairingRequest() {
    const std::optional<KVBT_PAIRING_REQUEST> request = m_pBtAttempt->steps->PendingRequest();
    if (!request || m_pBtPairingPage == nullptr || m_pBtAttempt->cancelled) {
        return;
    }
    using View = CBluetoothPairringDlg::View;
    const View view = ViewOf(request->dwMethod);
    DebugLog(L"Bluetooth pairing asks: method %u", request->dwMethod);
    m_pBtPairingPage->ShowView(view, request->dwNumber);
    const BOOL next = view == View::Numeric || ((view == View::Legacy || view == View::Passkey) &&
                                                !m_pBtPairingPage->GetPasscode().empty());
    SetWizardButtons(FALSE, next, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
    if (!m_pBtPairingPage->FocusField() && next) {
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnNext.m_hWnd), TRUE);
    }
}

void CHitchDlg::OnBtAttemptDone() {
    if (m_btAttemptThread.joinable()) {
        m_btAttemptThread.join();
    }
    std::unique_ptr<BtAttempt> attempt(m_pBtAttempt);
    m_pBtAttempt = nullptr;
    const hitched::BtAttemptResult& result = attempt->result;
    if (attempt->pair) {
        DebugLog(L"Authenticated Device ret = %d", static_cast<int>(result.code));
    }
    auto* entry = new _BTDEVICEENTRY_T(attempt->entry);
    if (result.paired) {
        entry->stDeviceInfo.fAuthenticated = 1;
    }
    if (result.failure == BtFailure::None) {
        ShowConfirmed(entry, attempt->index, attempt->phones, attempt->count);
        return;
    }
    entry->bConnected = 0;
    if (result.failure == BtFailure::NotAPhone) {
        DebugLog(attempt->count == 0 ? L"no device connected." : L"don't support device.");
    } else if (attempt->pair) {
        DebugLog(L"Authenticated Device FAIL");
    }
    if (result.paired) {
        StoreBtDevice(*entry); // the table and the row learn the pairing, not a connection
    }
    if (result.paired && attempt->pair) {
        SetBtRowEntry(attempt->index, entry);
    } else {
        delete entry;
    }
    ShowBtFailure(*attempt);
}

// The failure's own message (none for the user's own Cancel), then the wizard where the user
// acts next: Next tries again on page 6, the list on page 3.
void CHitchDlg::ShowBtFailure(const BtAttempt& attempt) {
    const UINT text = FailureText(attempt.result.failure);
    DebugLog(L"Bluetooth attempt %u failed: step code %d, message %u", attempt.number,
             static_cast<int>(attempt.result.code), text);
    if (m_nCurPage == PAGE_BT_PAIRING && m_pBtPairingPage != nullptr) {
        m_pBtPairingPage->ShowView(CBluetoothPairringDlg::View::Retry);
    }
    SetWizardButtons(TRUE, TRUE, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
    if (text != 0) {
        ShowBtMessage(text, MB_ICONERROR);
    }
    if (m_nCurPage == PAGE_BT_SEARCH && m_pBtSearchPage != nullptr) {
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pBtSearchPage->DeviceList().m_hWnd),
                    TRUE);
    } else {
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnNext.m_hWnd), TRUE);
    }
}
