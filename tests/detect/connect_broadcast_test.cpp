// The detection pass: USB steps, the DAV flag and the hub program, disabled connection types,
// the record conversion and the hand-over to the port service only on change; the Bluetooth
// pass and its connection check over a scripted Bluetooth library.
#include "detect/connect_broadcast.h"
#include "detect/connect_type_switch.h"
#include "detect/connected_phone_builder.h"
#include "contracts/utf16_field.h"
#include "makerlibs/kvbluetooth/simulated_bt_radio.h"
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

// The Bluetooth library as a pass meets it: a radio that can go away, and connection answers
// taken from a script, one per call (CONNECTED once the script runs out).
class FakeBtObject : public CBluetoothDetectObj {
public:
    ~FakeBtObject() override = default;
    uint32_t StartDetect() override { return 0; }
    uint32_t StopDetect() override { return 0; }
    uint32_t TestState() override { return radio; }
    uint32_t GetType() override { return stack; }
    uint32_t GetDeviceCount(int*) override { return 1; }
    uint32_t GetDeviceInfo(int, _KV_BLUETOOTH_DEVICE_INFO_STRUCT**) override { return 1; }
    uint32_t RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*) override { return 1; }
    uint32_t AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*, char16_t*, uint32_t) override {
        return 1;
    }
    uint32_t radio = 1, stack = 2;

    inline static std::vector<int32_t> answers; // status words still to give; 99: no answer
    inline static std::vector<std::pair<uint64_t, int32_t>> asked; // address, word on entry
    static int IsConnected(const uint64_t* address, int32_t* status) {
        asked.emplace_back(*address, *status);
        const int32_t next = answers.empty() ? KVBT_DEV_STATUS_CONNECTED : answers.front();
        if (!answers.empty()) {
            answers.erase(answers.begin());
        }
        if (next == 99) {
            return 1;
        }
        *status = next;
        return 0;
    }
    inline static IBtRadio* simulated = nullptr; // what AskRadio asks
    static int AskRadio(const uint64_t* address, int32_t* status) {
        return simulated->ConnectionState(*address, *status);
    }
};

constexpr uint64_t kPhoneAddress = 0x0019B7A1C2D3ull;
constexpr char16_t kPhoneLock[] = u"Quellon-Ostra Hubware(Ostra 100) - 351111111111111";

class BluetoothPassTest : public BroadcastTest {
protected:
    void SetUp() override {
        BroadcastTest::SetUp();
        FakeBtObject::answers.clear();
        FakeBtObject::asked.clear();
        // The phone behind any Bluetooth record: supported, with a display name to apply.
        FakeKvInquirePhone::hitchedPhoneInfo = [](_PHONEDEVICEINFO_T& info) {
            if (info.dwConnectType != kDeviceBluetooth) {
                return uint32_t{2};
            }
            CopyField(info.tszManufacturer, u"Ostra Mobile");
            CopyField(info.tszPhoneName, u"OS-100");
            CopyField(info.tszIMEI, u"351111111111111");
            return uint32_t{0};
        };
        _BTDEVICEENTRY_T entry{};
        entry.stDeviceInfo.Address = kPhoneAddress;
        entry.stDeviceInfo.fAuthenticated = 1;
        CopyField(entry.stDeviceInfo.szName, u"Ostra B1");
        entry.bConnected = 1;
        btDevices.AddCopy(kPhoneAddress, entry);
    }
    _BTDEVICEENTRY_T& Entry() {
        _BTDEVICEENTRY_T* entry = nullptr;
        btDevices.Lookup(kPhoneAddress, entry);
        return *entry;
    }
    // One pass; the number of phones it left in the table.
    std::size_t Pass() {
        withBluetooth.BroadCastConnectPhoneChanged();
        return phones.GetCount();
    }

    FakeBtObject radio;
    CBluetoothDetectObj* object = &radio;
    PFN_KVBTIsDeviceConnected isConnected = &FakeBtObject::IsConnected;
    CBtDeviceMap btDevices;
    int devicesListed = 1;
    int failures = 0;
    CBluetoothPass bluetooth{
        {object, isConnected, btDevices, phones, devicesListed, failures}, detector, lock, support};
    CConnectPhoneBroadcast withBluetooth{{lockDetect, phones, records, listChanged, lastPassFlag},
                                         detector,
                                         usb,
                                         switches,
                                         &sink,
                                         &bluetooth};
};

TEST_F(BluetoothPassTest, AConnectedEntryIsPushedAsABluetoothPhoneAndCheckedOnEveryPass) {
    ASSERT_EQ(Pass(), 1u);
    EXPECT_TRUE(FieldEquals(sink.last.tszBTStackName, u"IVT"));
    _PHONEDEVICEINFO_T* phone = nullptr;
    ASSERT_TRUE(phones.Lookup(kPhoneAddress, phone));
    EXPECT_TRUE(FieldEquals(phone->tszBTName, u"Ostra B1"));
    EXPECT_TRUE(FakeBtObject::asked.empty()); // not in the table before this pass: not polled

    ASSERT_EQ(Pass(), 1u);
    // Polled with the stack type shifted by itself, under the lock name's phone, lock let go.
    ASSERT_EQ(FakeBtObject::asked.size(), 1u);
    EXPECT_EQ(FakeBtObject::asked[0], std::make_pair(kPhoneAddress, int32_t{2 << 2}));
    EXPECT_EQ(lock.acquired.back(), kPhoneLock);
    EXPECT_FALSE(lock.Held());
    EXPECT_TRUE(trace.Has(u"KVBTIsDeviceConnected(Addr = 19B7A1C2D3)."));
    EXPECT_EQ(sink.pushes.size(), 1u);
}

// Answers over successive passes; after each, whether the phone is still in the table.
TEST_F(BluetoothPassTest, UnknownDropsAtTheThirdInARowDisconnectedAtOnceConnectedClears) {
    struct Case {
        const char* what;
        std::vector<int32_t> answers;
        std::vector<std::size_t> phonesAfter;
    };
    const int32_t U = KVBT_DEV_STATUS_UNKNOWN, C = KVBT_DEV_STATUS_CONNECTED,
                  D = KVBT_DEV_STATUS_DISCONNECTED;
    for (const Case& c : std::vector<Case>{
             {"connected restarts the count", {U, U, C, U, U, U}, {1, 1, 1, 1, 1, 0}},
             {"no answer changes nothing", {U, 99, U, 99, U}, {1, 1, 1, 1, 0}},
             {"disconnected at once", {D}, {0}},
         }) {
        SCOPED_TRACE(c.what);
        phones.RemoveAll();
        Entry().bConnected = 1;
        failures = 0;
        ASSERT_EQ(Pass(), 1u); // identified; polled from the next pass on
        FakeBtObject::answers = c.answers;
        for (std::size_t i = 0; i < c.phonesAfter.size(); ++i) {
            EXPECT_EQ(Pass(), c.phonesAfter[i]) << "pass " << i + 1;
        }
        EXPECT_TRUE(FakeBtObject::answers.empty());
        // The lost entry waits for the user to confirm it again (the loop's next case does);
        // the count starts afresh, so no later pass reports a loss that nobody answered.
        EXPECT_EQ(Entry().bConnected, 0u);
        EXPECT_EQ(failures, 0);
        FakeBtObject::asked.clear();
        EXPECT_EQ(Pass(), 0u);
        EXPECT_TRUE(FakeBtObject::asked.empty());
    }
    EXPECT_TRUE(trace.Has(u"KVBTIsDeviceConnected return KVBT_DEV_STATUS_UNKNOWN."));
    EXPECT_TRUE(trace.Has(u"KVBTIsDeviceConnected return KVBT_DEV_STATUS_DISCONNECTED."));
    EXPECT_TRUE(trace.Has(u"CHitchDlg::CheckBluetoothService() Disconnect."));
}

// The simulated radio behind the check, answering as Windows does for a paired phone that no
// program holds open; each step sets InRange, may confirm the phone again as page 3 does or
// have another suite program hold it, and gives the phones left after each of its passes.
TEST_F(BluetoothPassTest, AnIdlePhoneStaysLeavesOutOfRangeAndComesBackWhenConfirmedAgain) {
    auto scenario = std::make_unique<MapProfileReader>();
    MapProfileReader& machine = *scenario;
    machine.values = {{{u"Bluetooth", u"Radio"}, u"1"},
                      {{u"Bluetooth", u"Devices"}, u"1"},
                      {{u"BtDevice1", u"Address"}, u"0019B7A1C2D3"},
                      {{u"BtDevice1", u"Paired"}, u"1"}};
    SimulatedBtRadio simulated(std::move(scenario), std::make_unique<MapProfileReader>());
    FakeBtObject::simulated = &simulated;
    isConnected = &FakeBtObject::AskRadio;
    const struct {
        const char* what;
        const char16_t* inRange;
        bool confirm, held;
        std::vector<std::size_t> phonesAfter;
    } steps[] = {
        {"idle in range: kept", u"1", false, false, {1, 1, 1, 1, 1}},
        {"out of range: gone at the third pass", u"0", false, false, {1, 1, 0}},
        {"back in range: out until confirmed", u"1", false, false, {0, 0}},
        {"confirmed again: listed and kept", u"1", true, false, {1, 1}},
        {"held: not asked, adds nothing", u"0", false, true, {1, 1, 1}},
        {"let go, out of range: gone at the third pass", u"0", false, false, {1, 1, 0}},
    };
    ASSERT_EQ(Pass(), 1u); // identified; checked from the next pass on
    for (const auto& step : steps) {
        machine.values[{u"BtDevice1", u"InRange"}] = step.inRange;
        Entry().bConnected |= step.confirm ? 1u : 0u;
        lock.busy = step.held ? std::set<std::u16string>{kPhoneLock} : std::set<std::u16string>{};
        for (std::size_t i = 0; i < step.phonesAfter.size(); ++i) {
            EXPECT_EQ(Pass(), step.phonesAfter[i]) << step.what << ", pass " << i + 1;
        }
    }
}

TEST_F(BluetoothPassTest, AnUnusableRadioClearsTheConnectedFlagsAndSwitchesOffSkipThePass) {
    ASSERT_EQ(Pass(), 1u);
    radio.radio = 0;
    EXPECT_EQ(Pass(), 0u);
    EXPECT_EQ(Entry().bConnected, 0u);
    EXPECT_EQ(devicesListed, 0);
    EXPECT_EQ(sink.pushes.size(), 2u);

    radio.radio = 1;
    Entry().bConnected = 1;
    ASSERT_EQ(Pass(), 1u);
    for (const char16_t* key : {u"Bluetooth (Microsoft)", u"Bluetooth (Broadcomm)",
                                u"Bluetooth (IVT)", u"Bluetooth (Toshiba)"}) {
        switches.settings.values[{u"Enable_connect", key}] = u"0";
    }
    FakeBtObject::asked.clear();
    EXPECT_EQ(Pass(), 0u); // no Bluetooth phone listed: it counts as gone
    EXPECT_TRUE(FakeBtObject::asked.empty());
    EXPECT_EQ(Entry().bConnected, 1u); // the entry itself is left alone

    switches.settings.values[{u"Enable_connect", u"Bluetooth (Toshiba)"}] = u"1";
    object = nullptr; // no library: nothing listed, nothing asked
    EXPECT_EQ(Pass(), 0u);
    EXPECT_TRUE(FakeBtObject::asked.empty());
}

// A special port's text wins over its number.
TEST(ConnectedPhoneBuilderTest, TheSpecialPortsTextTravelsAsAUsbCablePhonesSerialPort) {
    _PHONEDEVICEINFO_T device{};
    device.dwConnectType = kDeviceSpecialUsbPort;
    device.nSerialPort = 3;
    CopyField(device.tszSerialPortName, u"USB Modem Port \\\\.\\COM12");
    const _CONNECTEDPHONE_T phone = BuildConnectedPhone(device);
    EXPECT_EQ(phone.dwConnectType, 1u);
    EXPECT_TRUE(FieldEquals(phone.dwSerialPort, u"USB Modem Port \\\\.\\COM12"));
}

} // namespace
} // namespace hitched::test
