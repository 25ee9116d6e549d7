// Next on the two Bluetooth pages: pair the selected device (page 6) or take it as paired
// (page 3), then prove that a supported phone answers over it by a detection pass that must
// list a phone at its address. The work runs on the attempt's worker (hitch_dlg_bt_attempt);
// here are the page's answers and what the frame shows of the outcome.
#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "app/language_service.h"
#include "contracts/utf16_field.h"
#include "contracts/wide_text.h"
#include "pages/bt_pairing_page.h"
#include "pages/bt_search_page.h"
#include "pages/completed_page.h"
#include "platform/wchar_utf16.h"
#include "portservice/port_service.h"
#include "res/resource.h"

#include <vector>

namespace {

constexpr std::size_t kConnectedPhonesBuffer = 51200;

} // namespace

_BTDEVICEENTRY_T* CHitchDlg::GetSelectedBtDevice(int* pIndex) {
    if (m_pBtSearchPage == nullptr) {
        return nullptr;
    }
    CListCtrl& list = m_pBtSearchPage->DeviceList();
    const int selected = list.GetFirstSelected();
    if (selected < 0) {
        return nullptr;
    }
    *pIndex = selected;
    return reinterpret_cast<_BTDEVICEENTRY_T*>(list.GetItemData(selected));
}

// The page shows the phone's name and the pairing starts at once: how the phone pairs is known
// only once the stack asks.
void CHitchDlg::OnBtPairingPageShowing() {
    int index = 0;
    const _BTDEVICEENTRY_T* entry = GetSelectedBtDevice(&index);
    if (entry == nullptr || m_pBtPairingPage == nullptr) {
        return;
    }
    m_pBtPairingPage->SetPhoneName(hitched::ToWString(hitched::BtDeviceLabel(entry->stDeviceInfo)));
    StartBtAttempt(*entry, index, true);
}

void CHitchDlg::OnNextBtSearch() {
    int index = 0;
    const _BTDEVICEENTRY_T* selected = GetSelectedBtDevice(&index);
    if (selected == nullptr || m_pBtAttempt != nullptr) {
        return; // a row without an entry: nothing to act on
    }
    if (selected->bConnected != 0 && m_pCompletedPage != nullptr &&
        m_pCompletedPage->m_list.GetItemCount() > 0) {
        ShowPage(PAGE_COMPLETED);
        return;
    }
    if (selected->stDeviceInfo.fAuthenticated == 0) {
        ShowPage(PAGE_BT_PAIRING);
        return;
    }
    StartBtAttempt(*selected, index, false);
}

// Next answers the stack's question with what the page shows; with no attempt running (after
// a failure or a Cancel) it tries again.
void CHitchDlg::OnNextBtPairing() {
    if (m_pBtPairingPage == nullptr) {
        return;
    }
    if (m_pBtAttempt == nullptr) {
        int index = 0;
        if (const _BTDEVICEENTRY_T* selected = GetSelectedBtDevice(&index)) {
            StartBtAttempt(*selected, index, true);
        }
        return;
    }
    using View = CBluetoothPairringDlg::View;
    const View view = m_pBtPairingPage->CurrentView();
    if (view != View::Legacy && view != View::Passkey && view != View::Numeric) {
        return;
    }
    const std::wstring passcode = view == View::Numeric ? L"" : m_pBtPairingPage->GetPasscode();
    DebugLog(L"Authenticated Deviced");
    AnswerBtPairing(true, hitched::ToU16String(passcode));
    m_pBtPairingPage->ShowView(View::Waiting);
    SetWizardButtons(FALSE, FALSE, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
}

bool CHitchDlg::ConfirmPass(const _BTDEVICEENTRY_T& entry, std::vector<unsigned char>& phones,
                            int& count) {
    StoreBtDevice(entry);
    RetrySilentDevices();
    BroadCastConnectPhoneChanged();
    phones.assign(kConnectedPhonesBuffer, 0);
    count = m_pPortService != nullptr
                ? m_pPortService->CopyConnectedPhones(phones.data(), phones.size())
                : 0;
    const auto* records = reinterpret_cast<const _CONNECTEDPHONE_T*>(phones.data());
    const std::u16string wanted = hitched::FormatBtAddressStored(entry.stDeviceInfo.Address);
    for (int i = 0; i < count; ++i) {
        if (hitched::EqualsNoCase(hitched::FieldView(records[i].tszBTAddress), wanted)) {
            return true;
        }
    }
    return false;
}

void CHitchDlg::ShowConfirmed(_BTDEVICEENTRY_T* pEntry, int nIndex,
                              const std::vector<unsigned char>& phones, int count) {
    m_pCompletedPage->FillConnectedPhones(phones.data(), count);
    DebugLog(L"Authenticated Device Success");
    // The confirmed device moves to the top of the list with both icons.
    CListCtrl& list = m_pBtSearchPage->DeviceList();
    const std::wstring text = list.GetItemText(nIndex, 0);
    DeleteBtRow(nIndex);
    const int row = list.InsertItem(0, text, 0);
    list.SetItem(row, 1, L"", 1);
    list.SetItem(row, 2, L"", 2);
    list.SetItemData(row, reinterpret_cast<LPARAM>(pEntry));
    ShowPage(PAGE_COMPLETED);
}
