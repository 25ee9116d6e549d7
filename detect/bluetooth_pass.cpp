#include "detect/bluetooth_pass.h"

#include "app/trace.h"
#include "detect/support_list.h"
#include "contracts/utf16_field.h"

#include <vector>

namespace hitched {

namespace {

constexpr int kPollsPerPhone = 3; // UNKNOWN answers per polled phone before it counts as gone

} // namespace

void CBluetoothPass::Run(CDeviceList& devices) {
    CBluetoothDetectObj* object = m_state.object;
    if (object == nullptr) {
        return;
    }
    if (CheckBluetoothService() != 0) {
        return; // no Bluetooth phone is listed in this pass
    }
    const uint32_t state = object->TestState();
    for (auto pos = m_state.devices.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _BTDEVICEENTRY_T* entry = nullptr;
        m_state.devices.GetNextAssoc(pos, key, entry);
        if (state == 0) {
            m_state.devicesListed = 0;
            entry->bConnected = 0;
        }
        if (entry->bConnected == 0) {
            continue;
        }
        _PHONEDEVICEINFO_T& record = AppendNewDevice(devices);
        record.dwConnectType = kDeviceBluetooth;
        record.dwBTStackType = object->GetType();
        record.ullBTAddress = entry->stDeviceInfo.Address;
        CopyField(record.tszBTAddress, FormatBtAddressStored(entry->stDeviceInfo.Address));
        CopyField(record.tszBTName, FieldView(entry->stDeviceInfo.szName));
    }
}

int CBluetoothPass::CheckBluetoothService() {
    int polled = 0;
    int& failures = m_state.failures;
    std::vector<_BTDEVICEENTRY_T*> failing; // answered UNKNOWN or DISCONNECTED in this pass
    if (m_state.isConnected != nullptr && m_state.object != nullptr) {
        for (auto pos = m_state.devices.GetStartPosition(); pos != nullptr;) {
            uint64_t key = 0;
            _BTDEVICEENTRY_T* entry = nullptr;
            m_state.devices.GetNextAssoc(pos, key, entry);
            if (entry->bConnected == 0 || IsPhoneIdle(*entry) == 0) {
                continue;
            }
            ++polled;
            const uint32_t stack = m_state.object->GetType();
            int32_t status = static_cast<int32_t>(stack << stack);
            const uint64_t address = entry->stDeviceInfo.Address;
            Trace(u"KVBTIsDeviceConnected(Addr = %0I64X).", address);
            bool endWalk = false;
            if (m_state.isConnected(&entry->stDeviceInfo.Address, &status) == 0) {
                if (status == KVBT_DEV_STATUS_CONNECTED) {
                    failures = 0;
                    endWalk = true;
                } else if (status == KVBT_DEV_STATUS_UNKNOWN) {
                    Trace(u"KVBTIsDeviceConnected return KVBT_DEV_STATUS_UNKNOWN.");
                    failures += 1;
                    failing.push_back(entry);
                } else if (status == KVBT_DEV_STATUS_DISCONNECTED) {
                    Trace(u"KVBTIsDeviceConnected return KVBT_DEV_STATUS_DISCONNECTED.");
                    failures = polled * kPollsPerPhone;
                    failing.push_back(entry);
                    endWalk = true;
                }
            }
            m_detector.ReleasePhoneLock();
            if (endWalk) {
                break;
            }
        }
    }
    m_detector.ReleasePhoneLock();
    // Nobody asked, nobody lost: a count left from earlier passes decides nothing on its own.
    if (polled == 0 || failures < polled * kPollsPerPhone) {
        return 0;
    }
    Trace(u"CHitchDlg::CheckBluetoothService() Disconnect.");
    // The lost phones stay out until the user confirms them again; the count starts afresh
    // for those still connected.
    for (_BTDEVICEENTRY_T* entry : failing) {
        entry->bConnected = 0;
    }
    failures = 0;
    return 1;
}

_PHONEDEVICEINFO_T* CBluetoothPass::SupportedPhoneAt(uint64_t address) {
    for (auto pos = m_state.phones.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* record = nullptr;
        m_state.phones.GetNextAssoc(pos, key, record);
        if (static_cast<uint64_t>(record->ullBTAddress) != address ||
            FieldView(record->tszPhoneName).size() < 2 || FieldView(record->tszIMEI).size() < 2) {
            continue;
        }
        if (FieldView(record->tszPhoneName).find(u"Ostra") != std::u16string_view::npos) {
            return record;
        }
        const std::u16string value = ReadSupportEntry(m_supportList, *record);
        if (value.empty()) {
            continue;
        }
        ApplyDisplayName(*record, value);
        return record;
    }
    return nullptr;
}

int CBluetoothPass::IsPhoneIdle(const _BTDEVICEENTRY_T& entry) {
    m_detector.ReleasePhoneLock();
    const _PHONEDEVICEINFO_T* phone = SupportedPhoneAt(entry.stDeviceInfo.Address);
    if (phone == nullptr) {
        return 0;
    }
    // Only whether another program has the lock open counts; ours is let go at once.
    const bool idle = m_phoneLock.Acquire(PhoneLockName(*phone));
    if (m_phoneLock.Held()) {
        m_phoneLock.Release();
    }
    return idle ? 1 : 0;
}

} // namespace hitched
