#include "detect/bt_device_info.h"
#include "detect/phone_device_info.h"

#include <gtest/gtest.h>

using hitched::DeviceKey;

namespace {

_PHONEDEVICEINFO_T Record(uint32_t type, int32_t serial, int32_t modem, uint64_t address) {
    _PHONEDEVICEINFO_T d{};
    d.dwConnectType = type;
    d.nSerialPort = serial;
    d.nModemPort = modem;
    d.ullBTAddress = address;
    return d;
}

TEST(DeviceKey, CablePhoneIsKeyedBySerialPortThenModemPort) {
    EXPECT_EQ(DeviceKey(Record(1, 5, 7, 99)), 5u);
    EXPECT_EQ(DeviceKey(Record(1, 0, 7, 99)), 7u);
}

TEST(DeviceKey, CablePhoneWithoutPortsHasKeyZero) {
    auto key = DeviceKey(Record(1, 0, 0, 1234));
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(*key, 0u);
}

TEST(DeviceKey, PortNumberIsWidenedWithItsSign) {
    EXPECT_EQ(DeviceKey(Record(1, -2, 0, 0)), 0xFFFFFFFFFFFFFFFEull);
}

TEST(DeviceKey, BluetoothAndSpecialPortsAreKeyedByTheAddressField) {
    EXPECT_EQ(DeviceKey(Record(2, 5, 7, 0x0000A1B2C3D4E5F6ull)), 0x0000A1B2C3D4E5F6ull);
    EXPECT_EQ(DeviceKey(Record(4, 0, 0, hitched::kSpecialUsbPortKeyBase + 1)), 100000000u);
}

TEST(DeviceKey, OtherTypesHaveNoKey) {
    for (uint32_t type : {0u, 3u, 5u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(DeviceKey(Record(type, 5, 7, 9)).has_value()) << type;
    }
}

TEST(BtAddressText, SixBytesFromTheMostSignificantDown) {
    const uint64_t address = 0xFFFF0A1B2C3D4E5Full; // the two top bytes are not part of it
    EXPECT_EQ(hitched::FormatBtAddressDisplay(address), u"0a:1b:2c:3d:4e:5f");
    EXPECT_EQ(hitched::FormatBtAddressStored(address), u"0a1b2c3d4e5f");
    EXPECT_EQ(hitched::FormatBtAddressStored(0), u"000000000000");
}

} // namespace
