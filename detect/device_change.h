#pragma once
// Compares the devices of one detection pass with the connected-phone table: phones that went
// away leave it, phones that came are identified through the phone-inquiry library, checked
// against the supported maker and the support list, and enter it.
#include "detect/device_map.h"
#include "detect/phone_lock.h"
#include "platform/profile_reader.h"

class CKvInquirePhone;

namespace hitched {

class CDeviceChangeDetector {
public:
    // supportList reads Mirrolet.ini on every call (it is never cached).
    CDeviceChangeDetector(IPhoneLock& phoneLock, IProfileReader& supportList)
        : m_phoneLock(phoneLock), m_supportList(supportList) {}

    // Edits table in place, leaves fresh as it is. Nonzero when clients must hear of a change.
    // The result depends on the order in which fresh yields its new devices: an occupied phone
    // or a failed identification clears the flag, a later new device sets it again.
    int IsDeviceChanged(CDeviceMap& table, const CDeviceMap& fresh);

    // Releases any lock held, then takes the lock of this record; false: the phone is occupied.
    bool LockPhone(const _PHONEDEVICEINFO_T& record);
    void ReleasePhoneLock();

private:
    bool RemoveUnplugged(CDeviceMap& table, const CDeviceMap& fresh);
    // Identifies a new device into `record` with up to three tries, without a pause.
    static bool Identify(CKvInquirePhone& inquiry, _PHONEDEVICEINFO_T& record);

    IPhoneLock& m_phoneLock;
    IProfileReader& m_supportList;
};

} // namespace hitched
