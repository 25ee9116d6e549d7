// The frame's hold on the Bluetooth library: loading it and creating its detection object,
// the stacks it may use, the device table's changes from the user-interface thread, and the
// unloading at the end.
#include "wizard/hitch_dlg.h"

#include "app/debug_log.h"
#include "platform/wchar_utf16.h"

namespace {

template <typename Function> Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace

BOOL CHitchDlg::LoadBtLibrary() {
    m_hBtLib = ::LoadLibraryW(hitched::AsWide(kBluetoothLibraryName));
    if (m_hBtLib == nullptr) {
        DebugLog(L"KVBluetoothComm.dll not loaded: Bluetooth is unavailable");
        return FALSE;
    }
    auto create =
        Export<PFN_CreateBluetoothDetectionObject>(m_hBtLib, kCreateBluetoothDetectionObjectName);
    if (create == nullptr) {
        return FALSE;
    }
    // The monitor thread's passes already run: they see the object only once it is whole.
    CBluetoothDetectObj* object = nullptr;
    if (create(&object) != 0) {
        object = nullptr;
    }
    std::lock_guard<std::mutex> lock(m_lockDetect);
    m_pBtDetect = object;
    if (m_pBtDetect == nullptr) {
        return FALSE;
    }
    m_pfnIsDeviceConnected =
        Export<PFN_KVBTIsDeviceConnected>(m_hBtLib, kKVBTIsDeviceConnectedName);
    return TRUE;
}

void CHitchDlg::UnloadBtLibrary() {
    std::lock_guard<std::mutex> lock(m_lockDetect);
    if (m_pBtDetect != nullptr && m_hBtLib != nullptr) {
        auto destroy = Export<PFN_DestroyBluetoothDetectionObject>(
            m_hBtLib, kDestroyBluetoothDetectionObjectName);
        if (destroy != nullptr) {
            destroy(m_pBtDetect);
            m_pBtDetect = nullptr;
        }
    }
    m_pfnIsDeviceConnected = nullptr;
    if (m_hBtLib != nullptr) {
        ::FreeLibrary(m_hBtLib);
        m_hBtLib = nullptr;
    }
}

void CHitchDlg::SetAvailableBtStacks() {
    if (m_hBtLib == nullptr || m_pBtDetect == nullptr) {
        return;
    }
    auto setStacks = Export<PFN_KVBTSetAvailableBTStack>(m_hBtLib, kKVBTSetAvailableBTStackName);
    if (setStacks != nullptr) {
        setStacks(KVBT_ALL_STACKS);
    }
}

void CHitchDlg::StoreBtDevice(const _BTDEVICEENTRY_T& entry) {
    std::lock_guard<std::mutex> lock(m_lockDetect);
    const uint64_t address = entry.stDeviceInfo.Address;
    m_mapBtDevices.RemoveKey(address);
    m_mapBtDevices.AddCopy(address, entry);
}
