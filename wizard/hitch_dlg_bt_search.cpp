// The frame's Bluetooth search: starting and stopping it with its two timers, listing what it
// found on the search page, and removing a pairing. Each list row owns a heap copy of its
// device's entry (the row's item data); the device table keeps copies of its own.
#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "app/language_service.h"
#include "pages/bt_search_page.h"
#include "platform/wchar_utf16.h"
#include "res/resource.h"
#include "wizard/wizard_prompts.h"

namespace {

constexpr UINT kSearchMs = 30000;
constexpr UINT kProgressTickMs = 100;
constexpr int kProgressFull = 10000;
constexpr DWORD kUnpairPauseMs = 2000;

} // namespace

void CHitchDlg::ShowBtMessage(UINT nTextId, UINT nType) {
    CWizardPrompts::Process().MessageBox(m_hWnd, LoadLangString(nTextId),
                                         LoadLangString(AFX_IDS_APP_TITLE), nType);
}

void CHitchDlg::SetBtRowEntry(int nItem, _BTDEVICEENTRY_T* pEntry) {
    CListCtrl& list = m_pBtSearchPage->DeviceList();
    auto* previous = reinterpret_cast<_BTDEVICEENTRY_T*>(list.GetItemData(nItem));
    list.SetItemData(nItem, reinterpret_cast<LPARAM>(pEntry));
    if (previous != pEntry) {
        delete previous;
    }
}

void CHitchDlg::DeleteBtRow(int nItem) {
    SetBtRowEntry(nItem, nullptr);
    m_pBtSearchPage->DeviceList().DeleteItem(nItem);
}

void CHitchDlg::ClearBtDeviceList() {
    if (m_pBtSearchPage == nullptr) {
        return;
    }
    for (int i = m_pBtSearchPage->DeviceList().GetItemCount() - 1; i >= 0; --i) {
        DeleteBtRow(i);
    }
}

BOOL CHitchDlg::StartDetection() {
    DebugLog(L"Enter StartDetection");
    if (m_pBtDetect == nullptr || m_bSearching || m_pBtSearchPage == nullptr) {
        return 1;
    }
    ClearBtDeviceList();
    if (m_pBtDetect->StartDetect() != 0) {
        m_pBtSearchPage->EnableSearchButton(TRUE);
        m_pBtSearchPage->EnableUnpairButton(FALSE);
        DebugLog(L"failed to StartDetection");
        ShowBtMessage(IDS_STRING_BT_ERROR_SEG_1, MB_ICONERROR);
        return 1;
    }
    if (m_hCheckBtServiceEvent != nullptr) {
        ::ResetEvent(m_hCheckBtServiceEvent);
    }
    {
        // The list is empty until this search ends: a search cut short by leaving the page
        // starts again on the next visit.
        std::lock_guard<std::mutex> lock(m_lockDetect);
        m_bDevicesListed = FALSE;
    }
    DebugLog(L"StartDetection...");
    m_bSearching = TRUE;
    m_pBtSearchPage->EnableSearchButton(FALSE);
    m_pBtSearchPage->EnableUnpairButton(FALSE);
    const HWND progress = m_pBtSearchPage->ProgressBar();
    ::SendMessageW(progress, PBM_SETRANGE32, 0, kProgressFull);
    ::SendMessageW(progress, PBM_SETSTEP, 1, 0);
    ::SendMessageW(progress, PBM_SETPOS, 0, 0);
    m_nSearchTicks = 1;
    SetTimer(kTimerBtSearchProgress, kProgressTickMs);
    SetTimer(kTimerBtSearchEnd, kSearchMs);
    return 0;
}

BOOL CHitchDlg::StopDetection() {
    if (m_pBtDetect == nullptr || !m_bSearching) {
        return 1;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING)); // the stop may take a moment
    m_pBtDetect->StopDetect();
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    m_bSearching = FALSE;
    DebugLog(L"Enter StopDetection");
    if (m_pBtSearchPage != nullptr) {
        m_pBtSearchPage->EnableSearchButton(TRUE);
        m_pBtSearchPage->EnableUnpairButton(FALSE);
    }
    KillTimer(kTimerBtSearchProgress);
    KillTimer(kTimerBtSearchEnd);
    return 1;
}

BOOL CHitchDlg::ShowBluetoothDevices() {
    DebugLog(L"Enter ShowBluetoothDevices");
    ClearBtDeviceList();
    std::unique_lock<std::mutex> lock(m_lockDetect);
    m_mapBtDevices.RemoveAll();
    if (m_pBtDetect == nullptr || m_pBtSearchPage == nullptr) {
        return 1;
    }
    // A detection pass clears the flag when the radio goes: both under the detection lock.
    m_bDevicesListed = TRUE;
    lock.unlock();
    int count = 0;
    m_pBtDetect->GetDeviceCount(&count);
    DebugLog(L"There are %d devices found.\n", count);
    CListCtrl& list = m_pBtSearchPage->DeviceList();
    bool nameless = false;
    for (int i = 0; i < count; ++i) {
        _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info = nullptr;
        if (m_pBtDetect->GetDeviceInfo(i, &info) != 0 || info == nullptr) {
            break;
        }
        _BTDEVICEENTRY_T entry{};
        entry.stDeviceInfo = *info;
        lock.lock();
        m_mapBtDevices.AddCopy(entry.stDeviceInfo.Address, entry);
        lock.unlock();
        nameless = nameless || entry.stDeviceInfo.szName[0] == u'\0';
        const std::wstring text = hitched::ToWString(hitched::BtDeviceLabel(entry.stDeviceInfo));
        const int row = list.InsertItem(i, text, 0);
        if (entry.stDeviceInfo.fAuthenticated != 0) {
            list.SetItem(row, 2, L"", 2);
        }
        list.SetItemData(row, reinterpret_cast<LPARAM>(new _BTDEVICEENTRY_T(entry)));
    }
    ::SendMessageW(m_pBtSearchPage->ProgressBar(), PBM_SETPOS, kProgressFull, 0);
    if (nameless) {
        ShowBtMessage(IDS_STRING_BLUETOOTH_NONANME_TIPS, MB_ICONEXCLAMATION);
    }
    return 1;
}

void CHitchDlg::OnBtSearchTimeout() {
    StopDetection();
    ShowBluetoothDevices();
    if (m_hCheckBtServiceEvent != nullptr) {
        ::SetEvent(m_hCheckBtServiceEvent);
    }
}

void CHitchDlg::OnBtSearchProgress() {
    const float position = static_cast<float>(
        m_nSearchTicks * static_cast<double>(kProgressTickMs) / kSearchMs * kProgressFull);
    ++m_nSearchTicks;
    if (m_pBtSearchPage != nullptr) {
        ::SendMessageW(m_pBtSearchPage->ProgressBar(), PBM_SETPOS, static_cast<WPARAM>(position),
                       0);
    }
}

void CHitchDlg::OnBtSearchPageShown() {
    if (m_bSearching) {
        return;
    }
    std::unique_lock<std::mutex> lock(m_lockDetect);
    if (!m_bDevicesListed) {
        lock.unlock();
        StartDetection();
        return;
    }
    ::SendMessageW(m_pBtSearchPage->ProgressBar(), PBM_SETPOS, kProgressFull, 0);
    bool nameless = false;
    for (auto pos = m_mapBtDevices.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _BTDEVICEENTRY_T* entry = nullptr;
        m_mapBtDevices.GetNextAssoc(pos, key, entry);
        nameless = nameless || entry->stDeviceInfo.szName[0] == u'\0';
    }
    ForgetLostBtRows();
    lock.unlock();
    if (nameless) {
        ShowBtMessage(IDS_STRING_BLUETOOTH_NONANME_TIPS, MB_ICONEXCLAMATION);
    }
}

void CHitchDlg::ForgetLostBtRows() {
    CListCtrl& list = m_pBtSearchPage->DeviceList();
    for (int row = 0; row < list.GetItemCount(); ++row) {
        auto* shown = reinterpret_cast<_BTDEVICEENTRY_T*>(list.GetItemData(row));
        _BTDEVICEENTRY_T* stored = nullptr;
        if (shown != nullptr && shown->bConnected != 0 &&
            m_mapBtDevices.Lookup(shown->stDeviceInfo.Address, stored) && stored->bConnected == 0) {
            shown->bConnected = 0; // Next confirms it again instead of trusting the row
            list.SetItem(row, 1, L"", -1);
        }
    }
}

int CHitchDlg::RemovePairing(void* pEntry) {
    auto* entry = static_cast<_BTDEVICEENTRY_T*>(pEntry);
    int result = 0;
    if (m_pBtDetect != nullptr && entry != nullptr && m_pBtSearchPage != nullptr) {
        result = static_cast<int>(m_pBtDetect->RemoveDevice(&entry->stDeviceInfo));
        if (result == 0) {
            CListCtrl& list = m_pBtSearchPage->DeviceList();
            const int row = list.GetFirstSelected();
            entry->bConnected = 0;
            entry->stDeviceInfo.fAuthenticated = 0;
            if (row >= 0) {
                list.SetItem(row, 1, L"", -1);
                list.SetItem(row, 2, L"", -1);
            }
            {
                std::lock_guard<std::mutex> lock(m_lockDetect);
                m_mapBtDevices.Replace(entry->stDeviceInfo.Address, *entry);
            }
            if (row >= 0) {
                SetBtRowEntry(row, entry);
            }
            // A phone that counted as connected over this device leaves the table.
            BroadCastConnectPhoneChanged();
        }
    }
    CWizardPrompts::Process().Pause(kUnpairPauseMs);
    return result;
}
