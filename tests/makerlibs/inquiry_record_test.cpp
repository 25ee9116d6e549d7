#include "makerlibs/kvinquire/inquiry_record.h"

#include "detect/utf16_field.h"

#include <gtest/gtest.h>

#include <cstring>

using hitched::ComPortNumber;
using hitched::PortsToAsk;

namespace {

_PHONEDEVICEINFO_T Record(uint32_t type, int serial, int modem, const char16_t* portText = u"") {
    _PHONEDEVICEINFO_T r;
    std::memset(&r, 0, sizeof r);
    r.dwConnectType = type;
    r.nSerialPort = serial;
    r.nModemPort = modem;
    hitched::CopyField(r.tszSerialPortName, portText);
    return r;
}

} // namespace

TEST(InquiryRecord, SerialPortFirstThenModemPort) {
    EXPECT_EQ(PortsToAsk(Record(1, 5, 6, u"Ostra USB Serial Port (COM5)")),
              (std::vector<int>{5, 6}));
    EXPECT_EQ(PortsToAsk(Record(1, 0, 6)), std::vector<int>{6});
    EXPECT_EQ(PortsToAsk(Record(1, 7, 7)), std::vector<int>{7});
    EXPECT_TRUE(PortsToAsk(Record(1, 0, 0)).empty());
    EXPECT_TRUE(PortsToAsk(Record(1, -3, 300)).empty());
    // A Bluetooth record is asked over the serial port detection bound to it, if any.
    EXPECT_EQ(PortsToAsk(Record(2, 12, 0)), std::vector<int>{12});
    EXPECT_TRUE(PortsToAsk(Record(2, 0, 0)).empty());
}

TEST(InquiryRecord, SpecialUsbPortIsNamedByItsText) {
    EXPECT_EQ(PortsToAsk(Record(4, 0, 0, u"COM3")), std::vector<int>{3});
    EXPECT_EQ(PortsToAsk(Record(4, 0, 0, u"com14")), std::vector<int>{14});
    EXPECT_TRUE(PortsToAsk(Record(4, 0, 0, u"")).empty());
    // Only the special port's own text counts; a cable record's friendly name is not parsed.
    EXPECT_TRUE(PortsToAsk(Record(1, 0, 0, u"COM3")).empty());

    EXPECT_EQ(ComPortNumber(u"COM1"), 1);
    EXPECT_EQ(ComPortNumber(u"CoM256"), 256);
    for (const char16_t* bad : {u"COM0", u"COM257", u"COM", u"CO", u"LPT1", u"COM05", u"COM5 ",
                                u"COM1000", u"COMx", u"(COM5)"}) {
        EXPECT_EQ(ComPortNumber(bad), 0)
            << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    }
}

TEST(InquiryRecord, IdentityFillsOnlyItsThreeFieldsCutToSize) {
    _PHONEDEVICEINFO_T r = Record(1, 5, 6, u"Ostra USB Serial Port (COM5)");
    hitched::CopyField(r.tszDllName, u"OstraPhone.dll");
    hitched::CopyField(r.tszPhoneName, std::u16string(63, u'x'));
    _PHONEDEVICEINFO_T before = r;

    hitched::PhoneIdentity id;
    id.manufacturer = u"Ostra";
    id.model = std::u16string(100, u'M'); // longer than its field
    id.imei = u"351234567890123";
    hitched::StoreIdentity(r, id);

    EXPECT_EQ(hitched::FieldString(r.tszManufacturer), u"Ostra");
    EXPECT_EQ(hitched::FieldString(r.tszPhoneName), std::u16string(63, u'M'));
    EXPECT_EQ(r.tszPhoneName[63], u'\0');
    EXPECT_EQ(hitched::FieldString(r.tszIMEI), u"351234567890123");
    // Everything outside the three fields is as it was, byte for byte.
    auto bytes = [](const _PHONEDEVICEINFO_T& x) { return reinterpret_cast<const char*>(&x); };
    EXPECT_EQ(std::memcmp(bytes(r), bytes(before), offsetof(_PHONEDEVICEINFO_T, tszPhoneName)), 0);
    const std::size_t after = offsetof(_PHONEDEVICEINFO_T, tszDriverKey);
    EXPECT_EQ(std::memcmp(bytes(r) + after, bytes(before) + after, sizeof r - after), 0);

    // A long IMEI keeps 29 units and its terminator.
    id.imei = std::u16string(40, u'9');
    hitched::StoreIdentity(r, id);
    EXPECT_EQ(hitched::FieldString(r.tszIMEI).size(), 29u);
}

TEST(InquiryRecord, DavKeyIsFourUpperCaseHexDigits) {
    EXPECT_EQ(hitched::DavKey(0x0500), u"0500");
    EXPECT_EQ(hitched::DavKey(0x0abc), u"0ABC");
    EXPECT_EQ(hitched::DavKey(0xFFFF), u"FFFF");
    EXPECT_EQ(hitched::DavKey(0x0007), u"0007");
}

TEST(InquiryRecord, TimingSettingsAreBounded) {
    const hitched::AtTimings defaults;
    hitched::AtTimings t = hitched::TimingsFromSettings(-1, -1, -1, -1);
    EXPECT_EQ(t.probeTimeoutMs, defaults.probeTimeoutMs);
    EXPECT_EQ(t.probeAttempts, defaults.probeAttempts);
    EXPECT_EQ(t.commandTimeoutMs, defaults.commandTimeoutMs);
    EXPECT_EQ(t.budgetMs, defaults.budgetMs);
    t = hitched::TimingsFromSettings(0, 0, 0, 0);
    EXPECT_EQ(t.probeTimeoutMs, 50u);
    EXPECT_EQ(t.probeAttempts, 1u);
    EXPECT_EQ(t.commandTimeoutMs, 100u);
    EXPECT_EQ(t.budgetMs, 200u);
    t = hitched::TimingsFromSettings(999999, 50, 999999, 2000000000);
    EXPECT_EQ(t.probeTimeoutMs, 5000u);
    EXPECT_EQ(t.probeAttempts, 3u);
    EXPECT_EQ(t.commandTimeoutMs, 10000u);
    EXPECT_EQ(t.budgetMs, 30000u);
}
