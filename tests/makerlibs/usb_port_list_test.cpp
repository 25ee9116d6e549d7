#include "makerlibs/communication/usb_port_list.h"

#include <gtest/gtest.h>

using hitched::FitPortList;
using hitched::JoinPortNames;
using hitched::ParseUsbInstanceId;

TEST(UsbPortList, NamesAreJoinedByCommasAndNeverCutInHalf) {
    EXPECT_EQ(JoinPortNames({}, 1024), "");
    EXPECT_EQ(JoinPortNames({"COM3"}, 1024), "COM3");
    EXPECT_EQ(JoinPortNames({"COM3", "COM4"}, 1024), "COM3,COM4");
    // "COM3,COM4" is 9 bytes: it fits a 10-byte buffer with its terminator, not a 9-byte one.
    EXPECT_EQ(JoinPortNames({"COM3", "COM4"}, 10), "COM3,COM4");
    EXPECT_EQ(JoinPortNames({"COM3", "COM4"}, 9), "COM3");
    EXPECT_EQ(JoinPortNames({"COM3", "COM4", "COM5"}, 5), "COM3");
    EXPECT_EQ(JoinPortNames({"COM3"}, 4), "");
    EXPECT_EQ(JoinPortNames({"COM3"}, 0), "");

    std::vector<std::string> many(300, "COM123");
    const std::string joined = JoinPortNames(many, 1024);
    EXPECT_LE(joined.size(), 1023u);
    EXPECT_EQ(joined.size() % 7, 6u); // whole names only
}

TEST(UsbPortList, GivenListIsCutAfterItsLastWholeName) {
    EXPECT_EQ(FitPortList("COM3,COM4", 1024), "COM3,COM4");
    EXPECT_EQ(FitPortList("COM3,", 1024), "COM3,"); // as it stands, trailing comma and all
    EXPECT_EQ(FitPortList("COM3,COM4", 10), "COM3,COM4");
    EXPECT_EQ(FitPortList("COM3,COM4", 9), "COM3");
    EXPECT_EQ(FitPortList("COM3,COM4,COM5", 10), "COM3,COM4");
    EXPECT_EQ(FitPortList("COM3333333", 5), "");
    EXPECT_EQ(FitPortList("COM3", 0), "");
}

TEST(UsbPortList, UsbInstanceIdsGiveVendorAndProduct) {
    uint16_t vid = 0;
    uint16_t pid = 0;
    ASSERT_TRUE(ParseUsbInstanceId(u"USB\\VID_0421&PID_0500&MI_02\\6&1a2b3c&0&0002", vid, pid));
    EXPECT_EQ(vid, 0x0421);
    EXPECT_EQ(pid, 0x0500);
    ASSERT_TRUE(ParseUsbInstanceId(u"usb\\vid_04e8&pid_6860\\R58M12345", vid, pid));
    EXPECT_EQ(vid, 0x04e8);
    EXPECT_EQ(pid, 0x6860);

    vid = pid = 7;
    EXPECT_FALSE(ParseUsbInstanceId(u"ACPI\\PNP0501\\1", vid, pid));
    EXPECT_FALSE(ParseUsbInstanceId(u"USB\\ROOT_HUB20\\4&2b0e5a&0", vid, pid));
    EXPECT_FALSE(ParseUsbInstanceId(u"USB\\VID_04x1&PID_0500\\1", vid, pid));
    EXPECT_FALSE(
        ParseUsbInstanceId(u"USB\\VID_0421\\PID_0500", vid, pid)); // PID not in the hardware part
    EXPECT_FALSE(ParseUsbInstanceId(u"USB\\XVID_0421&PID_0500\\1", vid, pid));
    EXPECT_FALSE(ParseUsbInstanceId(u"USB\\VID_042", vid, pid));
    EXPECT_EQ(vid, 7);
    EXPECT_EQ(pid, 7);
}
