#include "detect/connect_broadcast.h"

#include "app/trace.h"
#include "detect/connected_phone_builder.h"
#include "contracts/kv_inquire_phone.h"
#include "contracts/utf16_field.h"

namespace hitched {

void CConnectPhoneBroadcast::BroadCastConnectPhoneChanged() {
    Trace(u"Enter CHitchDlg::BroadCastConnectPhoneChanged()");
    std::lock_guard<std::mutex> lock(m_state.lockDetect);

    CDeviceList devices;
    CDeviceMap fresh;
    m_state.records.clear();

    if (m_switches.IsConnectTypeEnabled(kSwitchUsbCable)) {
        UsbPass(devices);
    } else {
        Trace(u"USBCABLE is disabled, run Portwarden.");
    }
    BluetoothPass(devices);

    for (const auto& device : devices) {
        if (const auto key = DeviceKey(*device)) {
            fresh.AddCopy(*key, *device); // a key already there keeps its first record
        }
    }

    if (!m_detector.IsDeviceChanged(m_state.phones, fresh)) {
        m_state.listChanged = 0;
    } else {
        BroadcastTable();
        m_state.listChanged = 1;
    }
}

void CConnectPhoneBroadcast::UsbPass(CDeviceList& devices) {
    m_usb.EnumerateUsbDevices(devices);

    CKvInquirePhone inquiry;
    bool special = false;
    for (const auto& device : devices) {
        if (device && device->wVendorID == kDavVendorId && inquiry.IsDAVDevice(device.get())) {
            special = true;
            break;
        }
    }
    // The hub program holds the DAV device's ports; once the device is gone it must go too.
    if (m_state.lastPassFlag && !special) {
        m_usb.TerminateRelaybox();
    }
    m_state.lastPassFlag = special ? 1 : 0;

    m_usb.EnumeratePorts(devices);
    if (special) {
        m_usb.AddSpecialUsbPorts(devices);
    }
}

void CConnectPhoneBroadcast::BluetoothPass(CDeviceList& devices) {
    bool anyStack = false;
    for (int index = kSwitchBtFirst; index <= kSwitchBtLast; ++index) {
        anyStack = anyStack || m_switches.IsConnectTypeEnabled(index);
    }
    if (!anyStack) {
        Trace(u"BLUETOOTH is disabled, run Portwarden.");
        return;
    }
    if (m_bluetooth != nullptr) {
        m_bluetooth->Run(devices);
    }
}

void CConnectPhoneBroadcast::BroadcastTable() {
    Trace(u"BroadcastDeviceChanged DeviceCount = %d", static_cast<int>(m_state.phones.GetCount()));
    std::vector<const _CONNECTEDPHONE_T*> handed;
    for (auto pos = m_state.phones.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* device = nullptr;
        m_state.phones.GetNextAssoc(pos, key, device);
        auto phone = std::make_unique<_CONNECTEDPHONE_T>(BuildConnectedPhone(*device));
        const std::u16string maker = FieldString(phone->tszManufacturer);
        const std::u16string model = FieldString(phone->tszPhoneName);
        const std::u16string dll = FieldString(phone->tszDllName);
        const std::u16string imei = FieldString(phone->tszIMEI);
        const std::u16string serial = FieldString(phone->dwSerialPort);
        const std::u16string modem = FieldString(phone->dwModemPort);
        Trace(u"tszManufacturer: %s\r\n tszPhoneName: %s\r\n tszDllName: %s\r\n tszIMEI: %s\r\n "
              u"dwSerialPort: %s\r\n dwModemPort: %s",
              maker.c_str(), model.c_str(), dll.c_str(), imei.c_str(), serial.c_str(),
              modem.c_str());
        handed.push_back(phone.get());
        m_state.records.push_back(std::move(phone));
    }
    if (m_sink != nullptr) {
        m_sink->BroadcastDeviceChanged(handed, false);
    }
}

} // namespace hitched
