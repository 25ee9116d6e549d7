// The 64-bit key a detected device is stored under, and the Bluetooth address texts.
// The Bluetooth library's declarations come along so that their static assertions (the
// object is deleted only by the library) are compiled on every build.
#include "contracts/bluetooth_detect_obj.h"
#include "contracts/bt_device_info.h"
#include "contracts/phone_device_info.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceKey, ByTypeSerialPortThenModemPortOrTheAddressField) {
    const struct {
        uint32_t type;
        int32_t serial, modem;
        uint64_t address;
        std::optional<uint64_t> key;
    } cases[] = {{1, 5, 7, 99, 5},
                 {1, 0, 7, 99, 7},
                 {1, 0, 0, 1234, 0},                   // a cable record without ports has key 0
                 {1, -2, 0, 0, 0xFFFFFFFFFFFFFFFEull}, // widened with its sign
                 {2, 5, 7, 0x0000A1B2C3D4E5F6ull, 0x0000A1B2C3D4E5F6ull},
                 {4, 0, 0, 100000000, 100000000},
                 {0, 5, 7, 9, std::nullopt},
                 {3, 5, 7, 9, std::nullopt},
                 {5, 5, 7, 9, std::nullopt}};
    for (const auto& c : cases) {
        _PHONEDEVICEINFO_T d{};
        d.dwConnectType = c.type;
        d.nSerialPort = c.serial;
        d.nModemPort = c.modem;
        d.ullBTAddress = c.address;
        EXPECT_EQ(hitched::DeviceKey(d), c.key) << "type " << c.type << " serial " << c.serial;
    }
}

TEST(BtAddressText, SixBytesFromTheMostSignificantDown) {
    const uint64_t address = 0xFFFF0A1B2C3D4E5Full; // the two top bytes are not part of it
    EXPECT_EQ(hitched::FormatBtAddressDisplay(address), u"0a:1b:2c:3d:4e:5f");
    EXPECT_EQ(hitched::FormatBtAddressStored(address), u"0a1b2c3d4e5f");
    EXPECT_EQ(hitched::FormatBtAddressStored(0), u"000000000000");
}

} // namespace
