#include "detect/left_alone_devices.h"

#include "app/trace.h"
#include "contracts/utf16_field.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace hitched {

namespace {

// Pauses after the first, the second, and every later silence.
constexpr uint64_t kSilentPauseMinutes[] = {1, 5, 30};
constexpr uint64_t kMsPerMinute = 60 * 1000;

bool SameDevice(const _PHONEDEVICEINFO_T& a, const _PHONEDEVICEINFO_T& b) {
    return a.dwConnectType == b.dwConnectType && a.wVendorID == b.wVendorID &&
           a.wProductID == b.wProductID && FieldView(a.tszDriverKey) == FieldView(b.tszDriverKey);
}

// How the debug log names a device: its COM port with the USB IDs that a [NeverOpen] line of
// KvInquireInfo.ini would take, a special port's name, or a Bluetooth address.
std::u16string DeviceLabel(const _PHONEDEVICEINFO_T& device) {
    if (device.dwConnectType == kDeviceBluetooth) {
        return u"Bluetooth " + FieldString(device.tszBTAddress);
    }
    if (device.dwConnectType != kDeviceUsbCable) {
        return FieldString(device.tszSerialPortName);
    }
    const int port = device.nSerialPort != 0 ? device.nSerialPort : device.nModemPort;
    return FormatTrace(u"COM%d (USB %04X:%04X)", port, unsigned{device.wVendorID},
                       unsigned{device.wProductID});
}

} // namespace

void CLeftAloneDevices::StartPass(const CDeviceMap& fresh) {
    const bool retry = m_retrySilent.exchange(false);
    bool forgotSilent = false;
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        _PHONEDEVICEINFO_T* present = nullptr;
        if (!fresh.Lookup(it->first, present) || !SameDevice(*present, it->second.device)) {
            it = m_devices.erase(it); // unplugged: asked again when it comes back
        } else if (retry && !it->second.answered) {
            forgotSilent = true;
            it = m_devices.erase(it);
        } else {
            ++it;
        }
    }
    if (forgotSilent) {
        Trace(u"Devices that did not answer are asked again.");
    }
}

bool CLeftAloneDevices::LeaveAlone(uint64_t key) const {
    const auto found = m_devices.find(key);
    if (found == m_devices.end()) {
        return false;
    }
    return found->second.answered || m_clock.NowMs() < found->second.askAgainMs;
}

CLeftAloneDevices::Memory& CLeftAloneDevices::Remember(uint64_t key,
                                                       const _PHONEDEVICEINFO_T& device) {
    Memory& memory = m_devices[key];
    memory.device = device;
    return memory;
}

void CLeftAloneDevices::NotAPhone(uint64_t key, const _PHONEDEVICEINFO_T& device) {
    Remember(key, device).answered = true;
    Trace(u"%s is not a supported phone: left alone until it is plugged again.",
          DeviceLabel(device).c_str());
}

void CLeftAloneDevices::NoAnswer(uint64_t key, const _PHONEDEVICEINFO_T& device) {
    Memory& memory = Remember(key, device);
    const std::size_t last = std::size(kSilentPauseMinutes) - 1;
    const uint64_t minutes = kSilentPauseMinutes[std::min<std::size_t>(memory.silences, last)];
    ++memory.silences;
    memory.askAgainMs = m_clock.NowMs() + minutes * kMsPerMinute;
    Trace(u"%s did not answer: asked again in %d min, or when a phone is looked for.",
          DeviceLabel(device).c_str(), static_cast<int>(minutes));
}

} // namespace hitched
