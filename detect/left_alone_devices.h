#pragma once
// The devices identification left alone: asked, and found to be no supported phone. They are
// remembered by key while they stay plugged, so that a printer or a GPS receiver behind a USB
// serial bridge is not opened and sent AT commands on every pass. One that answered is not
// asked again until it is plugged again; a silent one is asked again after a growing pause,
// since a phone can be slow to wake, or at the next pass after RetrySilent.
#include "detect/device_map.h"
#include "platform/clock.h"

#include <atomic>
#include <cstdint>
#include <map>

namespace hitched {

class CLeftAloneDevices {
public:
    explicit CLeftAloneDevices(IClock& clock) : m_clock(clock) {}

    // At the start of a pass: forgets the devices that the pass no longer sees, or sees with
    // other USB IDs or driver key (unplugged, or another device on the same port), and the
    // silent ones when a retry was asked for since the last pass.
    void StartPass(const CDeviceMap& fresh);
    // True while the device is not to be asked.
    bool LeaveAlone(uint64_t key) const;

    // What asking the device (its record as the pass found it) gave. The debug log says at
    // this decision, once, why the device is left alone from now on.
    void NotAPhone(uint64_t key, const _PHONEDEVICEINFO_T& device);
    void NoAnswer(uint64_t key, const _PHONEDEVICEINFO_T& device);
    void Identified(uint64_t key) { m_devices.erase(key); }

    // From any thread (the wizard's detect page, a client's detection request): the silent
    // devices are asked again at the next pass. Devices that answered stay left alone.
    void RetrySilent() { m_retrySilent = true; }

private:
    struct Memory {
        _PHONEDEVICEINFO_T device{};
        bool answered = false;
        unsigned silences = 0;   // times in a row it did not answer
        uint64_t askAgainMs = 0; // silent: not asked before this time
    };

    Memory& Remember(uint64_t key, const _PHONEDEVICEINFO_T& device);

    IClock& m_clock;
    std::map<uint64_t, Memory> m_devices;
    std::atomic<bool> m_retrySilent{false};
};

} // namespace hitched
