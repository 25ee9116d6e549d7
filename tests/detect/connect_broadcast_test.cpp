// The detection pass: USB steps, the DAV flag and the hub program, disabled connection types,
// the record conversion and the hand-over to the port service only on change.
#include "detect/connect_broadcast.h"
#include "detect/connect_type_switch.h"
#include "detect/connected_phone_builder.h"
#include "detect/utf16_field.h"
#include "tests/detect/detection_fakes.h"
#include "tests/detect/fake_kv_inquire_phone.h"

#include <gtest/gtest.h>

#include <algorithm>

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

struct Sink : IConnectedPhoneSink {
    void BroadcastDeviceChanged(const std::vector<const _CONNECTEDPHONE_T*>& phones,
                                bool noRetryTimer) override {
        std::vector<_CONNECTEDPHONE_T> copy;
        for (const auto* phone : phones) {
            copy.push_back(*phone);
        }
        pushes.push_back(copy);
        flags.push_back(noRetryTimer);
    }
    std::vector<std::vector<_CONNECTEDPHONE_T>> pushes;
    std::vector<bool> flags;
};

class BroadcastTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeKvInquirePhone::Reset();
        support.values[{u"Ostra Mobile", u"OS-100"}] = u"os100lib";
        AnswerPhones({{5, {u"Ostra Mobile", u"OS-100", u"350000000000005"}},
                      {6, {u"Ostra Mobile", u"OS-100", u"350000000000006"}}});
    }
    void TearDown() override { FakeKvInquirePhone::Reset(); }

    TraceRecorder trace;
    FakePhoneLock lock;
    MapProfileReader support;
    CDeviceChangeDetector detector{lock, support};
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

TEST_F(BroadcastTest, NewPhoneIsPushedOnceAndSamePassAgainPushesNothing) {
    usb.plugged = {CablePhone(5)};
    pass.BroadCastConnectPhoneChanged();
    ASSERT_EQ(sink.pushes.size(), 1u);
    EXPECT_FALSE(sink.flags[0]);
    ASSERT_EQ(sink.pushes[0].size(), 1u);
    const _CONNECTEDPHONE_T& phone = sink.pushes[0][0];
    EXPECT_EQ(phone.dwConnectType, 1u);
    EXPECT_TRUE(FieldEquals(phone.dwSerialPort, u"COM5"));
    EXPECT_TRUE(FieldEquals(phone.tszDllName, u"os100lib.dll"));
    EXPECT_TRUE(FieldEquals(phone.tszIMEI, u"350000000000005"));
    EXPECT_EQ(listChanged, 1);
    EXPECT_EQ(records.size(), 1u);
    EXPECT_TRUE(trace.Has(u"BroadcastDeviceChanged DeviceCount = 1"));
    EXPECT_TRUE(trace.Has(u"tszManufacturer: Ostra Mobile\r\n tszPhoneName: OS-100\r\n "
                          u"tszDllName: os100lib.dll\r\n tszIMEI: 350000000000005\r\n "
                          u"dwSerialPort: COM5\r\n dwModemPort: "));

    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(sink.pushes.size(), 1u);
    EXPECT_EQ(listChanged, 0);
    EXPECT_TRUE(records.empty()); // emptied at the start of every pass
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "ports", "walk", "ports"}));
}

TEST_F(BroadcastTest, UnplugPushesTheRemainingList) {
    usb.plugged = {CablePhone(5), CablePhone(6)};
    pass.BroadCastConnectPhoneChanged();
    ASSERT_EQ(sink.pushes.back().size(), 2u);
    // Same bucket, newer key in front: the fresh table yields 6 first, so 6 enters the
    // connected table first and 5 ends up in front of it.
    EXPECT_TRUE(FieldEquals(sink.pushes.back()[0].dwSerialPort, u"COM5"));
    EXPECT_TRUE(FieldEquals(sink.pushes.back()[1].dwSerialPort, u"COM6"));
    usb.plugged = {CablePhone(6)};
    pass.BroadCastConnectPhoneChanged();
    ASSERT_EQ(sink.pushes.size(), 2u);
    ASSERT_EQ(sink.pushes[1].size(), 1u);
    EXPECT_TRUE(FieldEquals(sink.pushes[1][0].dwSerialPort, u"COM6"));
    usb.plugged.clear();
    pass.BroadCastConnectPhoneChanged();
    ASSERT_EQ(sink.pushes.size(), 3u);
    EXPECT_TRUE(sink.pushes[2].empty());
}

TEST_F(BroadcastTest, UsbCableSwitchedOffEmptiesTheTableAtTheNextPass) {
    usb.plugged = {CablePhone(5)};
    pass.BroadCastConnectPhoneChanged();
    switches.settings.values[{u"Enable_connect", u"USB Cable"}] = u"0";
    pass.BroadCastConnectPhoneChanged();
    ASSERT_EQ(sink.pushes.size(), 2u);
    EXPECT_TRUE(sink.pushes[1].empty());
    EXPECT_TRUE(phones.IsEmpty());
    EXPECT_TRUE(trace.Has(u"USBCABLE is disabled, run Portwarden."));
    EXPECT_EQ(usb.steps.size(), 2u); // the second pass did not walk
    // Any value but "1" disables; "1" enables again.
    switches.settings.values[{u"Enable_connect", u"USB Cable"}] = u"yes";
    EXPECT_FALSE(switches.IsConnectTypeEnabled(kSwitchUsbCable));
    switches.settings.values[{u"Enable_connect", u"USB Cable"}] = u"1";
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(sink.pushes.size(), 3u);
}

TEST_F(BroadcastTest, BluetoothSwitchesOffAreOnlyLogged) {
    for (const char16_t* key : {u"Bluetooth (Microsoft)", u"Bluetooth (Broadcomm)",
                                u"Bluetooth (IVT)", u"Bluetooth (Toshiba)"}) {
        switches.settings.values[{u"Enable_connect", key}] = u"0";
    }
    pass.BroadCastConnectPhoneChanged();
    EXPECT_TRUE(trace.Has(u"BLUETOOTH is disabled, run Portwarden."));
    EXPECT_FALSE(hitched::IsConnectTypeEnabled(switches.settings, 7));
    EXPECT_FALSE(hitched::IsConnectTypeEnabled(switches.settings, -1));
}

TEST_F(BroadcastTest, DavDeviceAddsSpecialPortsAndItsDepartureEndsTheHubProgram) {
    _PHONEDEVICEINFO_T dav = CablePhone(0); // no serial port of its own: EnumPorts drops it
    dav.wProductID = 0x0500;
    _PHONEDEVICEINFO_T other = CablePhone(0);
    other.wVendorID = 0x1234;
    FakeKvInquirePhone::isDavDevice = [](_PHONEDEVICEINFO_T* d) {
        return d->wProductID == 0x0500 ? 1 : 0;
    };
    AnswerPhones({});
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
    ASSERT_EQ(sink.pushes.size(), 1u);
    ASSERT_EQ(sink.pushes[0].size(), 1u);
    EXPECT_EQ(sink.pushes[0][0].dwConnectType, 1u); // type 4 travels as a USB cable phone
    EXPECT_TRUE(FieldEquals(sink.pushes[0][0].dwSerialPort, u"COM12"));

    usb.plugged.clear();
    usb.steps.clear();
    pass.BroadCastConnectPhoneChanged();
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "relaybox", "ports"}));
    EXPECT_EQ(lastPassFlag, 0);
    usb.steps.clear();
    pass.BroadCastConnectPhoneChanged(); // no DAV device before or after: left alone
    EXPECT_EQ(usb.steps, (std::vector<std::string>{"walk", "ports"}));
}

TEST(ConnectedPhoneBuilderTest, FieldRules) {
    _PHONEDEVICEINFO_T device{};
    device.dwConnectType = kDeviceBluetooth;
    device.nSerialPort = 0;
    device.nModemPort = 17;
    device.dwBTStackType = 1;
    device.dwExtraInfo = 0xA5A5F00Du;
    CopyField(device.tszBTAddress, u"0a1b2c3d4e5f");
    CopyField(device.tszIMEI, u"IMEI");
    CopyField(device.tszPhoneName, u"Model");
    CopyField(device.tszManufacturer, u"Ostra");
    CopyField(device.tszDllName, u"lib.dll");
    CopyField(device.tszSerialPortName, u"ignored");
    _CONNECTEDPHONE_T phone = BuildConnectedPhone(device);
    EXPECT_EQ(phone.dwConnectType, 2u);
    EXPECT_EQ(FieldLength(phone.dwSerialPort), 0u);
    EXPECT_TRUE(FieldEquals(phone.dwModemPort, u"COM17"));
    EXPECT_TRUE(FieldEquals(phone.tszBTStackName, u"Widcomm"));
    EXPECT_EQ(phone.dwExtraInfo, 0xA5A5F00Du);
    EXPECT_TRUE(FieldEquals(phone.tszBTAddress, u"0a1b2c3d4e5f"));
    EXPECT_TRUE(FieldEquals(phone.tszIMEI, u"IMEI"));
    EXPECT_TRUE(FieldEquals(phone.tszPhoneName, u"Model"));
    EXPECT_TRUE(FieldEquals(phone.tszManufacturer, u"Ostra"));
    EXPECT_TRUE(FieldEquals(phone.tszDllName, u"lib.dll"));
    // Zero-filled: nothing after the terminators.
    EXPECT_EQ(phone.dwModemPort[5], u'\0');
    EXPECT_EQ(phone.dwModemPort[127], u'\0');

    device.dwBTStackType = 4;
    EXPECT_EQ(FieldLength(BuildConnectedPhone(device).tszBTStackName), 0u);

    device.dwConnectType = kDeviceSpecialUsbPort;
    CopyField(device.tszSerialPortName, u"USB Modem Port \\\\.\\COM12");
    device.nSerialPort = 3; // the library's text wins over the number
    phone = BuildConnectedPhone(device);
    EXPECT_EQ(phone.dwConnectType, 1u);
    EXPECT_TRUE(FieldEquals(phone.dwSerialPort, u"USB Modem Port \\\\.\\COM12"));
}

} // namespace
} // namespace hitched::test
