#pragma once
// Compares the devices of one detection pass with the connected-phone table: phones that went
// away leave it, phones that came are identified through the phone-inquiry library, checked
// against the supported maker and the support list, and enter it. A device that turned out to
// be no supported phone is left alone while it stays plugged (CLeftAloneDevices).
#include "detect/device_map.h"
#include "detect/left_alone_devices.h"
#include "detect/phone_lock.h"
#include "platform/profile_reader.h"

class CKvInquirePhone;

namespace hitched {

class CDeviceChangeDetector {
public:
    // supportList reads Mirrolet.ini on every call (it is never cached); clock times the
    // pauses before a silent device is asked again.
    CDeviceChangeDetector(IPhoneLock& phoneLock, IProfileReader& supportList,
                          IClock& clock = DefaultClock())
        : m_phoneLock(phoneLock), m_supportList(supportList), m_leftAlone(clock) {}

    // Edits table in place, leaves fresh as it is. Nonzero when clients must hear of a change.
    // The result depends on the order in which fresh yields its new devices: an occupied phone
    // or a failed identification clears the flag, a later new device sets it again.
    int IsDeviceChanged(CDeviceMap& table, const CDeviceMap& fresh);

    // Any thread: devices that did not answer are asked again at the next pass.
    void RetrySilentDevices() { m_leftAlone.RetrySilent(); }

    // Releases any lock held, then takes the lock of this record; false: the phone is occupied.
    bool LockPhone(const _PHONEDEVICEINFO_T& record);
    void ReleasePhoneLock();

private:
    static IClock& DefaultClock();
    bool RemoveUnplugged(CDeviceMap& table, const CDeviceMap& fresh);
    // Whether fresh holds a device that is neither in the table nor left alone.
    bool HasDeviceToAsk(const CDeviceMap& table, const CDeviceMap& fresh) const;
    // Identifies a new device into `record` with up to three tries, without a pause. The
    // library's answer: 0, or the failure that says most (an answer beats silence).
    static uint32_t Identify(CKvInquirePhone& inquiry, _PHONEDEVICEINFO_T& record);

    IPhoneLock& m_phoneLock;
    IProfileReader& m_supportList;
    CLeftAloneDevices m_leftAlone;
};

} // namespace hitched
