// The detection pass: USB steps, the DAV flag and the hub program, disabled connection types,
// the record conversion and the hand-over to the port service only on change.
#include "detect/connect_broadcast.h"
#include "detect/connect_type_switch.h"
#include "detect/connected_phone_builder.h"
#include "detect/utf16_field.h"
#include "tests/detect/detection_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace hitched::test {
namespace {

// The machine: the devices the walk finds; EnumPorts drops those without a serial port.
struct FakeUsb : IUsbPassSteps {
    void EnumerateUsbDevices(CDeviceList& devices) override {
        steps.push_back("walk");
        for (const auto& device : plugged) {
            AppendNewDevice(devices) = device;
        }
    }
    void EnumeratePorts(CDeviceList& devices) override {
        steps.push_back("ports");
        devices.erase(std::remove_if(devices.begin(), devices.end(),
                                     [](const auto& d) { return d->nSerialPort == 0; }),
                      devices.end());
    }
    void AddSpecialUsbPorts(CDeviceList& devices) override {
        steps.push_back("special");
        auto& port = AppendNewDevice(devices);
        port.dwConnectType = kDeviceSpecialUsbPort;
        port.ullBTAddress = kSpecialUsbPortKeyBase + 1;
        CopyField(port.tszSerialPortName, u"COM12");
    }
    void TerminateRelaybox() override { steps.push_back("relaybox"); }
    std::vector<_PHONEDEVICEINFO_T> plugged;
    std::vector<std::string> steps;
};

struct Switches : IConnectTypeSwitches {
    bool IsConnectTypeEnabled(int index) override {
        return hitched::IsConnectTypeEnabled(settings, index);
    }
    MapProfileReader settings;
};

// The serial ports of each push, in the order the clients receive them.
struct Sink : IConnectedPhoneSink {
    void BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                bool noRetryTimer) override {
        EXPECT_FALSE(noRetryTimer);
        pushes.emplace_back();
        for (const auto* phone : phones) {
            pushes.back().push_back(FieldString(phone->dwSerialPort));
            last = *phone;
        }
    }
    std::vector<std::vector<std::u16string>> pushes;
    _CONNECTEDPHONE_T last{};
};

class BroadcastTest : public DetectorTest {
protected:
    void SetUp() override {
        DetectorTest::SetUp();
        AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"350000000000005"}},
                      {6, {u"Ostra Mobile", u"OS-200", u"350000000000006"}}});
    }

    FakeUsb usb;
    Switches switches;
    Sink sink;
    std::mutex lockDetect;
    CDeviceMap phones;
    CBroadcastArray records;
    int listChanged = 7;
    int lastPassFlag = 0;
    CConnectPhoneBroadcast pass{
        {lockDetect, phones, records, listChanged, lastPassFlag}, detector, usb, switches, &sink};
};

TEST_F(BroadcastTest, ChangesArePushedInTableOrderAndTheSamePassAgainPushesNothing) {
    usb.plugged = {MakeCableRecord(5), MakeCableRecord(6, 16)};
    usb.plugged[1].dwExtraInfo = 0x12345678;
    pass.BroadCastConnectPhoneChanged();
    // Same bucket, newer key in front: the fresh table yields 6 first, so 6 enters the
    // connected table first and 5 ends up in front of it.
    ASSERT_EQ(sink.pushes, (std::vector<std::vector<std::u16string>>{{u"COM5", u"COM6"}}));
    _CONNECTEDPHONE_T expected = MakeConnectedPhone(u"OS-200", u"COM6");
    CopyField(expected.dwModemPort, u"COM16");
    CopyField(expected.tszManufacturer, u"Ostra Mobile");
    CopyField(expected.tszIMEI, u"350000000000006");
    CopyField(expected.tszDllName, u"os200lib.dll");
    EXPECT_EQ(std::memcmp(&sink.last, &expected, sizeof expected), 0); // every field, zero-filled
    EXPECT_EQ(listChanged, 1);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_TRUE(trace.Has(u"BroadcastDeviceChanged DeviceCount = 2"));
    EXPECT_TRUE(trace.Has(u"tszManufacturer: Ostra Mobile\r\n tszPhoneName: OS-200\r\n "
                          u"tszDllName: os200lib.dll\r\n tszIMEI: 350000000000005\r\n "
                          u"dwSerialPort: COM5\r\n dwModemPort: "));

    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(sink.pushes.size(), 1u);
    EXPECT_EQ(listChanged, 0);
    EXPECT_TRUE(records.empty()); // emptied at the start of every pass

    usb.plugged = {MakeCableRecord(6)};
    pass.BroadCastConnectPhoneChanged();
    usb.plugged.clear();
    pass.BroadCastConnectPhoneChanged(); // the last unplug pushes an empty list
    EXPECT_EQ(sink.pushes,
              (std::vector<std::vector<std::u16string>>{{u"COM5", u"COM6"}, {u"COM6"}, {}}));
    EXPECT_EQ(usb.steps.size(), 8u); // walk and ports, every pass
}

TEST_F(BroadcastTest, SwitchesOffSkipThePassAndAreOnlyLogged) {
    usb.plugged = {MakeCableRecord(5)};
    pass.BroadCastConnectPhoneChanged();
    switches.settings.values[{u"Enable_connect", u"USB Cable"}] = u"yes"; // any value but "1"
    for (const char16_t* key : {u"Bluetooth (Microsoft)", u"Bluetooth (Broadcomm)",
                                u"Bluetooth (IVT)", u"Bluetooth (Toshiba)"}) {
        switches.settings.values[{u"Enable_connect", key}] = u"0";
    }
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(sink.pushes.size(), 2u); // the cable phone counts as unplugged
    EXPECT_TRUE(sink.pushes[1].empty());
    EXPECT_TRUE(trace.Has(u"USBCABLE is disabled, run Portwarden."));
    EXPECT_TRUE(trace.Has(u"BLUETOOTH is disabled, run Portwarden."));
    EXPECT_EQ(usb.steps.size(), 2u); // the second pass did not walk
    EXPECT_FALSE(hitched::IsConnectTypeEnabled(switches.settings, 7));
    EXPECT_FALSE(hitched::IsConnectTypeEnabled(switches.settings, -1));
    switches.settings.values[{u"Enable_connect", u"USB Cable"}] = u"1";
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(sink.pushes.size(), 3u);
}

TEST_F(BroadcastTest, DavDeviceAddsSpecialPortsAndItsDepartureEndsTheHubProgram) {
    _PHONEDEVICEINFO_T dav = MakeCableRecord(0, 0, 0x0500); // no port: EnumPorts drops it
    _PHONEDEVICEINFO_T other = MakeCableRecord(0);
    other.wVendorID = 0x1234;
    FakeKvInquirePhone::isDavDevice = [](_PHONEDEVICEINFO_T* d) { return d->wProductID == 0x0500; };
    FakeKvInquirePhone::hitchedPhoneInfo = [](_PHONEDEVICEINFO_T& info) {
        CopyField(info.tszManufacturer, u"Ostra Mobile");
        CopyField(info.tszPhoneName, u"OS-100");
        return uint32_t{0};
    };
    usb.plugged = {other, dav};
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(FakeKvInquirePhone::davChecks, 1); // only vendor 0x0421 is asked
    EXPECT_EQ(lastPassFlag, 1);
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "ports", "special"}));
    ASSERT_EQ(sink.pushes, (std::vector<std::vector<std::u16string>>{{u"COM12"}}));
    EXPECT_EQ(sink.last.dwConnectType, 1u); // type 4 travels as a USB cable phone

    usb.plugged.clear();
    usb.steps.clear();
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "relaybox", "ports"}));
    EXPECT_EQ(lastPassFlag, 0);
    usb.steps.clear();
    pass.BroadCastConnectPhoneChanged(); // no DAV device before or after: left alone
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "ports"}));
}

// Fields no pass fills yet: the Bluetooth ones, and the special port's text over its number.
TEST(ConnectedPhoneBuilderTest, BluetoothFieldsAndTheSpecialPortsText) {
    _PHONEDEVICEINFO_T device{};
    device.dwConnectType = kDeviceBluetooth;
    device.dwBTStackType = 1;
    CopyField(device.tszBTAddress, u"0a1b2c3d4e5f");
    _CONNECTEDPHONE_T phone = BuildConnectedPhone(device);
    EXPECT_EQ(phone.dwConnectType, 2u);
    EXPECT_TRUE(FieldEquals(phone.tszBTStackName, u"Widcomm"));
    EXPECT_TRUE(FieldEquals(phone.tszBTAddress, u"0a1b2c3d4e5f"));
    device.dwBTStackType = 4;
    EXPECT_EQ(FieldLength(BuildConnectedPhone(device).tszBTStackName), 0u);

    device.dwConnectType = kDeviceSpecialUsbPort;
    device.nSerialPort = 3; // the library's text wins over the number
    CopyField(device.tszSerialPortName, u"USB Modem Port \\\\.\\COM12");
    phone = BuildConnectedPhone(device);
    EXPECT_EQ(phone.dwConnectType, 1u);
    EXPECT_TRUE(FieldEquals(phone.dwSerialPort, u"USB Modem Port \\\\.\\COM12"));
}

} // namespace
} // namespace hitched::test
