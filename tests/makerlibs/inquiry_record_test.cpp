#include "makerlibs/kvinquire/bt_serial_port.h"
#include "makerlibs/kvinquire/inquiry_record.h"

#include "tests/support/phone_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>

using hitched::ComPortNumber;
using hitched::kDeviceBluetooth;
using hitched::kDeviceSpecialUsbPort;
using hitched::kDeviceUsbCable;
using hitched::test::MakeCableRecord;

TEST(InquiryRecord, SerialPortFirstThenModemPortOrTheSpecialPortsText) {
    // Record type, serial and modem port, the serial port's text, the ports to ask.
    const std::tuple<uint32_t, int, int, const char16_t*, std::vector<int>> cases[] = {
        {kDeviceUsbCable, 5, 6, u"Ostra USB Serial Port (COM5)", {5, 6}},
        {kDeviceUsbCable, 0, 6, u"", {6}},
        {kDeviceUsbCable, 7, 7, u"", {7}},
        {kDeviceUsbCable, -3, 300, u"", {}},
        {kDeviceUsbCable, 0, 0, u"COM3", {}}, // a cable record's port text is not parsed
        {kDeviceBluetooth, 12, 0, u"", {12}}, // the serial port bound to the device
        {kDeviceBluetooth, 0, 0, u"", {}},
        {kDeviceSpecialUsbPort, 0, 0, u"COM3", {3}},
        {kDeviceSpecialUsbPort, 0, 0, u"com14", {14}},
        {kDeviceSpecialUsbPort, 0, 0, u"", {}},
    };
    for (const auto& [type, serial, modem, text, ports] : cases) {
        _PHONEDEVICEINFO_T record = MakeCableRecord(serial, modem);
        record.dwConnectType = type;
        hitched::CopyField(record.tszSerialPortName, text);
        EXPECT_EQ(hitched::PortsToAsk(record), ports) << type << " " << serial;
    }
    EXPECT_EQ(ComPortNumber(u"COM1"), 1);
    EXPECT_EQ(ComPortNumber(u"CoM256"), 256);
    for (const char16_t* bad : {u"COM0", u"COM257", u"COM", u"CO", u"LPT1", u"COM05", u"COM5 ",
                                u"COM1000", u"COMx", u"(COM5)"}) {
        EXPECT_EQ(ComPortNumber(bad), 0)
            << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    }
}

TEST(InquiryRecord, IdentityFillsOnlyItsThreeFieldsCutToSize) {
    _PHONEDEVICEINFO_T r = MakeCableRecord(5, 6);
    hitched::CopyField(r.tszDllName, u"OstraPhone.dll");
    hitched::CopyField(r.tszPhoneName, std::u16string(63, u'x'));
    const _PHONEDEVICEINFO_T before = r;

    // 28 digits and an emoji for the 29 units of the IMEI: the pair goes whole, never half.
    const std::u16string imei = std::u16string(28, u'9') + u"\U0001F600";
    hitched::StoreIdentity(r, {u"Ostra", std::u16string(100, u'M'), imei});
    EXPECT_EQ(hitched::FieldString(r.tszManufacturer), u"Ostra");
    EXPECT_EQ(hitched::FieldString(r.tszPhoneName), std::u16string(63, u'M'));
    EXPECT_EQ(hitched::FieldString(r.tszIMEI), std::u16string(28, u'9'));
    // Everything outside the three fields is as it was, byte for byte.
    auto bytes = [](const _PHONEDEVICEINFO_T& x) { return reinterpret_cast<const char*>(&x); };
    EXPECT_EQ(std::memcmp(bytes(r), bytes(before), offsetof(_PHONEDEVICEINFO_T, tszPhoneName)), 0);
    const std::size_t after = offsetof(_PHONEDEVICEINFO_T, tszDriverKey);
    EXPECT_EQ(std::memcmp(bytes(r) + after, bytes(before) + after, sizeof r - after), 0);
}

TEST(InquiryRecord, DavKeysAndTimingSettingsHeldWithinLimits) {
    EXPECT_EQ(hitched::DavKey(0x0abc), u"0ABC");
    EXPECT_EQ(hitched::DavKey(0x0007), u"0007");
    // Probe time-out, probe attempts, command time-out, budget.
    const auto of = [](const hitched::AtTimings& t) {
        return std::array<uint32_t, 4>{t.probeTimeoutMs, t.probeAttempts, t.commandTimeoutMs,
                                       t.budgetMs};
    };
    const std::pair<std::array<int, 4>, std::array<uint32_t, 4>> cases[] = {
        {{-1, -1, -1, -1}, of(hitched::AtTimings())}, // keys missing
        {{0, 0, 0, 0}, {50, 1, 100, 200}},
        {{999999, 50, 999999, 2000000000}, {5000, 3, 10000, 30000}},
        {{700, 3, 2000, 9000}, {700, 3, 2000, 9000}},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(of(hitched::TimingsFromSettings(in[0], in[1], in[2], in[3])), out);
    }
}

TEST(InquiryRecord, ABluetoothPhonesPortIsTheSerialServiceDeviceEndingInItsAddress) {
    constexpr uint64_t kPhone = 0x0019B7A1C2D3ull;
    const struct {
        const char16_t* instanceId;
        uint64_t address;
        bool matches;
    } cases[] = {
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A1E3B4C&0&"
         u"0019B7A1C2D3_C00000000",
         kPhone, true},
        {u"bthenum\\{00001101-0000-1000-8000-00805f9b34fb}_localmfg&000f\\7&2a1e3b4c&0&"
         u"0019b7a1c2d3_c00000000",
         kPhone, true}, // case does not matter
        // The upper two bytes of the 64-bit value are not part of the address.
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A1E3B4C&0&"
         u"0019B7A1C2D3_C00000000",
         0xFFFF0019B7A1C2D3ull, true},
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A1E3B4C&0&"
         u"0019B7A1C2D4_C00000000",
         kPhone, false}, // another device
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&2A1E3B4C&0&"
         u"000000000000_00000025",
         0, false}, // the incoming port: no phone behind it
        {u"BTHENUM\\{0000111F-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A1E3B4C&0&"
         u"0019B7A1C2D3_C00000000",
         kPhone, false}, // another service of the phone
        {u"USB\\VID_0421&PID_0630\\0019B7A1C2D3_C", kPhone, false},
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\\7&2A1E3B4C&0&"
         u"19B7A1C2D3_C00000000",
         kPhone, false}, // digits missing
        {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}", kPhone, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hitched::IsBluetoothSerialPortOf(c.instanceId, c.address), c.matches)
            << int(&c - cases);
    }
}
