#include "makerlibs/communication/usb_port_list.h"

#include <gtest/gtest.h>

#include <tuple>

using hitched::FitPortList;
using hitched::JoinPortNames;

TEST(UsbPortList, WholeNamesJoinedByCommasWithinTheBufferAndItsTerminator) {
    // "COM3,COM4" is 9 bytes: it fits a 10-byte buffer with its terminator, not a 9-byte one.
    const std::vector<std::string> two = {"COM3", "COM4"};
    EXPECT_EQ(JoinPortNames({}, 1024), "");
    EXPECT_EQ(JoinPortNames(two, 10), "COM3,COM4");
    EXPECT_EQ(JoinPortNames(two, 9), "COM3");
    EXPECT_EQ(JoinPortNames({"COM3", "COM4", "COM5"}, 5), "COM3");
    EXPECT_EQ(JoinPortNames({"COM3"}, 4), "");
    EXPECT_EQ(JoinPortNames({"COM3"}, 0), "");
    const std::string joined = JoinPortNames(std::vector<std::string>(300, "COM123"), 1024);
    EXPECT_EQ(joined.size(), 1021u); // 146 whole names; a 147th would need 1,028 bytes
    // A list given as a whole is cut after its last whole name, and kept as it stands.
    EXPECT_EQ(FitPortList("COM3,", 1024), "COM3,");
    EXPECT_EQ(FitPortList("COM3,COM4", 10), "COM3,COM4");
    EXPECT_EQ(FitPortList("COM3,COM4", 9), "COM3");
    EXPECT_EQ(FitPortList("COM3,COM4,COM5", 10), "COM3,COM4");
    EXPECT_EQ(FitPortList("COM3333333", 5), "");
    EXPECT_EQ(FitPortList("COM3", 0), "");
}

TEST(UsbPortList, UsbInstanceIdsGiveVendorAndProduct) {
    const std::tuple<const char16_t*, bool, uint16_t, uint16_t> cases[] = {
        {u"USB\\VID_0421&PID_0500&MI_02\\6&1a2b3c&0&0002", true, 0x0421, 0x0500},
        {u"usb\\vid_04e8&pid_6860\\R58M12345", true, 0x04e8, 0x6860},
        {u"ACPI\\PNP0501\\1", false, 7, 7},
        {u"USB\\ROOT_HUB20\\4&2b0e5a&0", false, 7, 7},
        {u"USB\\VID_04x1&PID_0500\\1", false, 7, 7},
        {u"USB\\VID_0421\\PID_0500", false, 7, 7}, // the product is not in the hardware part
        {u"USB\\XVID_0421&PID_0500\\1", false, 7, 7},
        {u"USB\\VID_042", false, 7, 7},
    };
    for (const auto& [id, ok, expectedVendor, expectedProduct] : cases) {
        uint16_t vendor = 7; // untouched when the ID has no numbers
        uint16_t product = 7;
        EXPECT_EQ(hitched::ParseUsbInstanceId(id, vendor, product), ok);
        EXPECT_EQ(vendor, expectedVendor);
        EXPECT_EQ(product, expectedProduct);
    }
}
