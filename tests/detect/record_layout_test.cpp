// The records cross module and process boundaries byte for byte: their offsets are checked
// against the fixed tables, and every scalar field is checked to land little-endian at its
// offset in memory.
#include "tests/detect/record_layout.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using hitched::layout::kRows;

// Kept in the binary so that `strings -w` can read the table of any build.
constexpr hitched::layout::Text kTable = hitched::layout::BuildTable();

struct Expected {
    const char* name;
    std::size_t offset; // records: 0
    std::size_t size;
};

// The fixed layouts, field by field, in declaration order.
const Expected kExpected[] = {
    {"_PHONEDEVICEINFO_T", 0, 2216},
    {"dwConnectType", 0, 4},
    {"wVendorID", 4, 2},
    {"wProductID", 6, 2},
    {"wHubPort", 8, 2},
    {"wHubPortCopy", 10, 2},
    {"nSerialPort", 12, 4},
    {"nModemPort", 16, 4},
    {"dwBTStackType", 20, 4},
    {"dwExtraInfo", 24, 4},
    {"ullBTAddress", 28, 8},
    {"tszBTAddress", 36, 40},
    {"tszBTName", 76, 128},
    {"tszSerialPortName", 204, 512},
    {"tszModemPortName", 716, 512},
    {"tszPhoneName", 1228, 128},
    {"tszManufacturer", 1356, 128},
    {"tszIMEI", 1484, 60},
    {"tszDriverKey", 1544, 512},
    {"tszDllName", 2056, 160},
    {"_KV_BLUETOOTH_DEVICE_INFO_STRUCT", 0, 560},
    {"dwSize", 0, 4},
    {"dwPadding", 4, 4},
    {"Address", 8, 8},
    {"ulClassofDevice", 16, 4},
    {"fConnected", 20, 4},
    {"fRemembered", 24, 4},
    {"fAuthenticated", 28, 4},
    {"stLastSeen", 32, 16},
    {"stLastUsed", 48, 16},
    {"szName", 64, 496},
    {"_BTDEVICEENTRY_T", 0, 568},
    {"stDeviceInfo", 0, 560},
    {"bConnected", 560, 4},
    {"_CONNECTEDPHONE_T", 0, 2056},
    {"dwConnectType", 0, 4},
    {"dwSerialPort", 4, 256},
    {"dwModemPort", 260, 256},
    {"tszPhoneName", 516, 256},
    {"tszIMEI", 772, 256},
    {"tszDllName", 1028, 256},
    {"tszBTAddress", 1284, 256},
    {"tszManufacturer", 1540, 256},
    {"tszBTStackName", 1796, 256},
    {"dwExtraInfo", 2052, 4},
    {"_PORTPHONEENTRY_T", 0, 2064},
    {"bUsed", 0, 4},
    {"sOwner", 4, 4},
    {"stPhoneInfo", 8, 2056},
};

TEST(RecordLayout, PrintsTheOffsetsTable) {
    std::fwrite(kTable.data, 1, kTable.length, stdout);
    const std::string text(kTable.data, kTable.length);
    EXPECT_EQ(text.rfind("record layout begin\n", 0), 0u);
    EXPECT_NE(text.find("record layout end\n"), std::string::npos);
}

TEST(RecordLayout, EveryFieldSitsAtItsFixedOffsetWithItsFixedWidth) {
    ASSERT_EQ(std::size(kRows), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        SCOPED_TRACE(kRows[i].name);
        EXPECT_STREQ(kRows[i].name, kExpected[i].name);
        EXPECT_EQ(kRows[i].offset, kExpected[i].offset);
        EXPECT_EQ(kRows[i].size, kExpected[i].size);
    }
}

// Fields of a record follow one another without gaps (records own no hidden padding except
// where the Windows layout has it, which is spelled out as a field).
TEST(RecordLayout, FieldsTileTheirRecordWithoutGaps) {
    std::size_t recordSize = 0;
    std::size_t next = 0;
    const char* record = "";
    for (const auto& row : kRows) {
        if (row.isRecord) {
            if (*record && std::strcmp(record, "_BTDEVICEENTRY_T") != 0) {
                EXPECT_EQ(next, recordSize) << record;
            }
            record = row.name;
            recordSize = row.size;
            next = 0;
            continue;
        }
        EXPECT_EQ(row.offset, next) << record << "." << row.name;
        next = row.offset + row.size;
    }
    EXPECT_EQ(next, recordSize) << record;
}

template <typename T> const uint8_t* Bytes(const T& record) {
    return reinterpret_cast<const uint8_t*>(&record);
}

uint64_t ReadLE(const uint8_t* p, std::size_t width) {
    uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;) {
        v = (v << 8) | p[i];
    }
    return v;
}

TEST(RecordLayout, DeviceRecordScalarsAreLittleEndianAtTheirOffsets) {
    _PHONEDEVICEINFO_T d{};
    d.dwConnectType = 0x11223344;
    d.wVendorID = 0x0421;
    d.wProductID = 0x0630;
    d.wHubPort = 3;
    d.wHubPortCopy = 3;
    d.nSerialPort = -5;
    d.nModemPort = 7;
    d.dwBTStackType = 2;
    d.dwExtraInfo = 0xCAFEBABE;
    d.ullBTAddress = 0x0102030405060708ull;
    d.tszBTAddress[0] = u'a';
    d.tszDllName[79] = u'z';
    const uint8_t* b = Bytes(d);
    EXPECT_EQ(ReadLE(b + 0, 4), 0x11223344u);
    EXPECT_EQ(ReadLE(b + 4, 2), 0x0421u);
    EXPECT_EQ(ReadLE(b + 6, 2), 0x0630u);
    EXPECT_EQ(ReadLE(b + 8, 2), 3u);
    EXPECT_EQ(ReadLE(b + 10, 2), 3u);
    EXPECT_EQ(ReadLE(b + 12, 4), 0xFFFFFFFBu);
    EXPECT_EQ(ReadLE(b + 16, 4), 7u);
    EXPECT_EQ(ReadLE(b + 20, 4), 2u);
    EXPECT_EQ(ReadLE(b + 24, 4), 0xCAFEBABEu);
    EXPECT_EQ(ReadLE(b + 28, 8), 0x0102030405060708ull);
    EXPECT_EQ(ReadLE(b + 36, 2), u'a');
    EXPECT_EQ(ReadLE(b + 2214, 2), u'z'); // last unit of the last field ends the record
}

TEST(RecordLayout, BluetoothRecordKeepsTheWindowsPositions) {
    _BTDEVICEENTRY_T e{};
    e.stDeviceInfo.dwSize = 560;
    e.stDeviceInfo.Address = 0x0000A1B2C3D4E5F6ull;
    e.stDeviceInfo.fAuthenticated = 1;
    e.stDeviceInfo.szName[0] = u'N';
    e.bConnected = 1;
    const uint8_t* b = Bytes(e);
    EXPECT_EQ(ReadLE(b + 0, 4), 560u);
    EXPECT_EQ(b[8], 0xF6); // byte 8: least significant address byte
    EXPECT_EQ(b[13], 0xA1);
    EXPECT_EQ(ReadLE(b + 28, 4), 1u);
    EXPECT_EQ(ReadLE(b + 64, 2), u'N');
    EXPECT_EQ(ReadLE(b + 560, 4), 1u);
}

TEST(RecordLayout, ConnectedPhoneAndRowScalarsAreAtTheirOffsets) {
    _PORTPHONEENTRY_T row{};
    row.bUsed = 1;
    row.sOwner = 0xA5A5;
    row.stPhoneInfo.dwConnectType = 2;
    row.stPhoneInfo.dwSerialPort[0] = u'C';
    row.stPhoneInfo.tszBTStackName[127] = u'!';
    row.stPhoneInfo.dwExtraInfo = 0x01020304;
    const uint8_t* b = Bytes(row);
    EXPECT_EQ(ReadLE(b + 0, 4), 1u);
    EXPECT_EQ(ReadLE(b + 4, 4), 0xA5A5u);
    EXPECT_EQ(ReadLE(b + 8 + 0, 4), 2u);
    EXPECT_EQ(ReadLE(b + 8 + 4, 2), u'C');
    EXPECT_EQ(ReadLE(b + 8 + 2050, 2), u'!');
    EXPECT_EQ(ReadLE(b + 8 + 2052, 4), 0x01020304u);
}

} // namespace
