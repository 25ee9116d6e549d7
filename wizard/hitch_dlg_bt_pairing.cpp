// Next on the two Bluetooth pages: pair the selected device with the passcode, then prove that
// a supported phone answers over it by a detection pass that must list a phone at its address.
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

void CHitchDlg::OnBtPairingPageShowing() {
    int index = 0;
    const _BTDEVICEENTRY_T* entry = GetSelectedBtDevice(&index);
    if (entry == nullptr || m_pBtPairingPage == nullptr) {
        return;
    }
    m_pBtPairingPage->SetPhoneName(hitched::ToWString(hitched::BtDeviceLabel(entry->stDeviceInfo)));
}

void CHitchDlg::OnNextBtSearch() {
    int index = 0;
    const _BTDEVICEENTRY_T* selected = GetSelectedBtDevice(&index);
    if (selected == nullptr) {
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
    auto* entry = new _BTDEVICEENTRY_T(*selected);
    entry->bConnected = 1;
    Confirm(entry, index);
}

void CHitchDlg::OnNextBtPairing() {
    SetWizardButtons(FALSE, FALSE, LoadLangString(IDS_STRING_BTCAPTION_CANCEL));
    std::wstring passcode = m_pBtPairingPage != nullptr ? m_pBtPairingPage->GetPasscode() : L"";
    int index = 0;
    const _BTDEVICEENTRY_T* selected = GetSelectedBtDevice(&index);
    if (selected == nullptr) {
        return;
    }
    auto* entry = new _BTDEVICEENTRY_T(*selected);
    DebugLog(L"Authenticated Deviced");
    const uint32_t result = m_pBtDetect == nullptr
                                ? 1
                                : m_pBtDetect->AuthenticateDevice(
                                      &entry->stDeviceInfo, hitched::AsUtf16(passcode.data()),
                                      static_cast<uint32_t>(passcode.size()));
    DebugLog(L"Authenticated Device ret = %d", static_cast<int>(result));
    if (result != 0 && result != KVBT_ALREADY_PAIRED) {
        // The user retypes the passcode: editing it enables Next again.
        DebugLog(L"Authenticated Device FAIL");
        delete entry;
        return;
    }
    entry->stDeviceInfo.fAuthenticated = 1;
    entry->bConnected = 1;
    Confirm(entry, index);
}

void CHitchDlg::Confirm(_BTDEVICEENTRY_T* pEntry, int nIndex) {
    const uint64_t address = pEntry->stDeviceInfo.Address;
    StoreBtDevice(*pEntry);
    RetrySilentDevices();
    BroadCastConnectPhoneChanged();

    std::vector<unsigned char> buffer(kConnectedPhonesBuffer, 0);
    const int count = m_pPortService != nullptr
                          ? m_pPortService->CopyConnectedPhones(buffer.data(), buffer.size())
                          : 0;
    const auto* phones = reinterpret_cast<const _CONNECTEDPHONE_T*>(buffer.data());
    const std::u16string wanted = hitched::FormatBtAddressStored(address);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        found = hitched::EqualsNoCase(hitched::FieldView(phones[i].tszBTAddress), wanted);
    }
    if (found) {
        m_pCompletedPage->FillConnectedPhones(buffer.data(), count);
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
        return;
    }
    DebugLog(count == 0 ? L"no device connected." : L"don't support device.");
    pEntry->bConnected = 0;
    {
        std::lock_guard<std::mutex> lock(m_lockDetect);
        m_mapBtDevices.Replace(address, *pEntry);
    }
    // On the pairing page the row takes the entry, now paired; elsewhere it keeps its own.
    if (count == 0 && m_nCurPage == PAGE_BT_PAIRING) {
        SetBtRowEntry(nIndex, pEntry);
    } else {
        delete pEntry;
    }
    ShowBtMessage(IDS_STRING_BLUETOOTH_AUTHENTICATE_ERROR, MB_ICONERROR);
}
