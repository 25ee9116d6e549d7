#pragma once
// One detection pass: gathers the USB cable phones and the connected Bluetooth phones, lets
// the change detector update the connected-phone table and, when it changed, hands the port
// service one record per connected phone.
#include "detect/bluetooth_pass.h"
#include "detect/device_change.h"
#include "contracts/device_list.h"
#include "detect/device_map.h"
#include "portservice/connected_phone.h"

#include <memory>
#include <mutex>
#include <vector>

// The records the last changed pass built, owned by their holder (the main dialog).
using CBroadcastArray = std::vector<std::unique_ptr<_CONNECTEDPHONE_T>>;

namespace hitched {

// Connection-type switch indices of hitched.dat's [Enable_connect].
constexpr int kSwitchBtFirst = 0; // 0..3: the four Bluetooth stacks
constexpr int kSwitchBtLast = 3;
constexpr int kSwitchUsbCable = 6;

// The steps of the USB pass, bound to the machine of this pass.
class IUsbPassSteps {
public:
    virtual ~IUsbPassSteps() = default;
    // Appends one record per USB cable device (the USB tree walk).
    virtual void EnumerateUsbDevices(CDeviceList& devices) = 0;
    // Gives the records their COM ports; records without a serial port leave the list.
    virtual void EnumeratePorts(CDeviceList& devices) = 0;
    // Appends the special USB ports of a DAV device.
    virtual void AddSpecialUsbPorts(CDeviceList& devices) = 0;
    // Ends the hub program that conflicts with the DAV device.
    virtual void TerminateRelaybox() = 0;
};

class IConnectTypeSwitches {
public:
    virtual ~IConnectTypeSwitches() = default;
    // Read from the settings file on every call.
    virtual bool IsConnectTypeEnabled(int index) = 0;
};

// Where the records of a changed pass go: the port service, which copies them.
class IConnectedPhoneSink {
public:
    virtual ~IConnectedPhoneSink() = default;
    virtual void BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                        bool noRetryTimer) = 0;
};

// The state a pass updates; it belongs to the main dialog.
struct DetectionState {
    std::mutex& lockDetect;   // held for the whole pass
    CDeviceMap& phones;       // the connected-phone table
    CBroadcastArray& records; // the records of the last changed pass
    int& listChanged;         // 1 when the last pass changed the table
    int& lastPassFlag;        // 1 when the last USB pass saw a DAV device
};

class CConnectPhoneBroadcast {
public:
    CConnectPhoneBroadcast(DetectionState state, CDeviceChangeDetector& detector,
                           IUsbPassSteps& usb, IConnectTypeSwitches& switches,
                           IConnectedPhoneSink* sink, CBluetoothPass* bluetooth = nullptr)
        : m_state(state), m_detector(detector), m_usb(usb), m_switches(switches), m_sink(sink),
          m_bluetooth(bluetooth) {}

    void BroadCastConnectPhoneChanged();

private:
    void UsbPass(CDeviceList& devices);
    void BluetoothPass(CDeviceList& devices);
    void BroadcastTable();

    DetectionState m_state;
    CDeviceChangeDetector& m_detector;
    IUsbPassSteps& m_usb;
    IConnectTypeSwitches& m_switches;
    IConnectedPhoneSink* m_sink;
    CBluetoothPass* m_bluetooth; // null: no Bluetooth pass
};

} // namespace hitched
