// The wire codec: what one read means, the switch words, and the bytes the server sends.
#include "portservice/protocol.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/phone_records.h"

using namespace hitched;

namespace {

std::vector<uint8_t> Bytes(const std::u16string& text, std::vector<uint8_t> tail = {}) {
    std::vector<uint8_t> bytes = EncodeText(text);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

TEST(Protocol, OneReadIsOneRequestFoundByItsKeywordInAFixedOrder) {
    // 19 units of keyword, then the port text: 255 bytes hold 127 whole units.
    const std::u16string longPort = u"COM" + std::u16string(105, u'9');
    const struct {
        std::vector<uint8_t> bytes;
        Command command;
        std::u16string argument;
    } cases[] = {
        {Bytes(u"RequestSerialPort\r\nCOM5"), Command::RequestSerialPort, u"COM5"},
        {Bytes(u"ReleaseSerialPort\r\nCOM5"), Command::ReleaseSerialPort, u"COM5"},
        {Bytes(u"RequestModemPort\r\nCOM6"), Command::RequestModemPort, u"COM6"},
        {Bytes(u"ReleaseModemPort\r\nCOM6"), Command::ReleaseModemPort, u"COM6"},
        {Bytes(u"GetAllConnectedPhone\r\n"), Command::GetAllConnectedPhone, u""},
        {Bytes(u"EnableConnectType\r\nENABLE_CONN_TYPE_BT"), Command::EnableConnectType,
         u"ENABLE_CONN_TYPE_BT"},
        {Bytes(u"DisableConnectType\r\nX"), Command::DisableConnectType, u"X"},
        // Found anywhere; the argument is the rest, verbatim, from the first occurrence.
        {Bytes(u"noise RequestSerialPort\r\nCOM5\r\n"), Command::RequestSerialPort, u"COM5\r\n"},
        {Bytes(u"RequestSerialPort\r\nRequestSerialPort\r\nCOM5"), Command::RequestSerialPort,
         u"RequestSerialPort\r\nCOM5"},
        // The keyword's CR LF and case are part of it; the server's own word is no request.
        {Bytes(u"RequestSerialPortCOM5"), Command::None, u""},
        {Bytes(u"GetAllConnectedPhone\r"), Command::None, u""},
        {Bytes(u"requestserialport\r\nCOM5"), Command::None, u""},
        {Bytes(u"UpdateConnectedPhone\r\n"), Command::None, u""},
        // The fixed search order decides, not the position.
        {Bytes(u"ReleaseSerialPort\r\nCOM3RequestSerialPort\r\nCOM5"), Command::RequestSerialPort,
         u"COM5"},
        {Bytes(u"DisableConnectType\r\nGetAllConnectedPhone\r\n"), Command::GetAllConnectedPhone,
         u""},
        {Bytes(u"EnableConnectType\r\nReleaseModemPort\r\nx"), Command::ReleaseModemPort, u"x"},
        {Bytes(u"DisableConnectType\r\nEnableConnectType\r\nIR"), Command::EnableConnectType,
         u"IR"},
        // The text ends at the first NUL unit; an odd last byte is ignored.
        {Bytes(u"RequestSerialPort\r\nCOM5", {0, 0, 'j', 0}), Command::RequestSerialPort, u"COM5"},
        {Bytes(std::u16string(1, u'\0') + u"GetAllConnectedPhone\r\n"), Command::None, u""},
        {Bytes(u"RequestSerialPort\r\nCOM5", {'7'}), Command::RequestSerialPort, u"COM5"},
        {{'R'}, Command::None, u""},
        {{}, Command::None, u""},
        // Bytes beyond 255 are not part of the request, nor a keyword completed there.
        {Bytes(u"RequestSerialPort\r\n" + longPort + u"XYZ"), Command::RequestSerialPort, longPort},
        {Bytes(std::u16string(120, u' ') + u"GetAllConnectedPhone\r\n"), Command::None, u""},
    };
    for (const auto& c : cases) {
        const Request request = ParseRequest(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(request.command, c.command) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(request.argument, c.argument) << ::testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(ParseRequest(nullptr, 10).command, Command::None);
}

TEST(Protocol, SwitchWordsAreSearchedSerialUsbBtIrWhateverTheirPosition) {
    const std::pair<const char16_t*, int> cases[] = {
        {u"ENABLE_CONN_TYPE_SERIAL", 0},
        {u"ENABLE_CONN_TYPE_USB", 1},
        {u"ENABLE_CONN_TYPE_BT", 2},
        {u"ENABLE_CONN_TYPE_IR", 3},
        {u"ENABLE_CONN_TYPE_IR ENABLE_CONN_TYPE_BT", 2},
        {u"xxENABLE_CONN_TYPE_IRENABLE_CONN_TYPE_SERIAL\r\n", 0},
        {u"BT", -1},
        {u"", -1},
        {u"enable_conn_type_bt", -1},
        {u"ENABLE_CONN_TYPE_", -1},
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(ParseSwitchWord(text), code) << ::testing::PrintToString(std::u16string(text));
}

TEST(Protocol, RepliesAndHeadersAreTheirTextInUtf16LeWithoutTerminator) {
    EXPECT_EQ(EncodeText(u"R\u0141"), (std::vector<uint8_t>{'R', 0, 0x41, 0x01}));
    const std::pair<std::vector<uint8_t>, std::u16string> cases[] = {
        {BuildRequestReply(kPortDone), u"RequestSerialPort\r\nSUCCEED\r\n"},
        {BuildRequestReply(kPortUsed), u"RequestSerialPort\r\nUSED\r\n"},
        {BuildRequestReply(kPortInvalid), u"RequestSerialPort\r\nCMDINVALID\r\n"},
        {BuildListHeader(3), u"GetAllConnectedPhone\r\n3"},
        {BuildPushHeader(0), u"UpdateConnectedPhone\r\n0"},
        {BuildPushHeader(1000), u"UpdateConnectedPhone\r\n1000"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(bytes, EncodeText(text)) << ::testing::PrintToString(text);
}

TEST(Protocol, EachPhoneIsASlotOfItsRecordAnd2056ZeroBytesHoweverMany) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (int i = 0; i < 30; ++i) {
        auto p = test::MakeConnectedPhone(u"X1", u"COM" + std::u16string(1, u'A' + i),
                                          i % 2 ? kConnBluetooth : kConnUsb);
        std::memset(p.tszIMEI, 0x7F, sizeof p.tszIMEI); // no zero bytes to hide a mistake
        phones.push_back(p);
    }
    const auto three = BuildPayload({phones.begin(), phones.begin() + 3});
    ASSERT_EQ(three.size(), 12336u);
    const auto payload = BuildPayload(phones); // more than 24 rows still get a slot each
    ASSERT_EQ(payload.size(), 30 * kSlotBytes);
    EXPECT_TRUE(std::equal(three.begin(), three.end(), payload.begin()));
    for (std::size_t slot = 0; slot < 30; ++slot) {
        const uint8_t* at = payload.data() + slot * kSlotBytes;
        EXPECT_EQ(std::memcmp(at, &phones[slot], 2056), 0) << slot;
        EXPECT_TRUE(std::all_of(at + 2056, at + kSlotBytes, [](uint8_t b) { return b == 0; }));
    }
}

} // namespace
