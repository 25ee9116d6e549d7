#include "portservice/protocol.h"

#include <cstring>

#include <gtest/gtest.h>

#include "tests/portservice/phone_builder.h"

using namespace hitched;

namespace {

std::vector<uint8_t> Bytes(const std::u16string& text) {
    return EncodeText(text);
}

Request Parse(const std::vector<uint8_t>& bytes) {
    return ParseRequest(bytes.data(), bytes.size());
}

Request Parse(const std::u16string& text) {
    return Parse(Bytes(text));
}

std::u16string Decode(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

TEST(ProtocolParse, EachKeywordWithItsArgument) {
    const struct {
        const char16_t* text;
        Command command;
        const char16_t* argument;
    } cases[] = {
        {u"RequestSerialPort\r\nCOM5", Command::RequestSerialPort, u"COM5"},
        {u"ReleaseSerialPort\r\nCOM5", Command::ReleaseSerialPort, u"COM5"},
        {u"RequestModemPort\r\nCOM6", Command::RequestModemPort, u"COM6"},
        {u"ReleaseModemPort\r\nCOM6", Command::ReleaseModemPort, u"COM6"},
        {u"GetAllConnectedPhone\r\n", Command::GetAllConnectedPhone, u""},
        {u"EnableConnectType\r\nENABLE_CONN_TYPE_BT", Command::EnableConnectType,
         u"ENABLE_CONN_TYPE_BT"},
        {u"DisableConnectType\r\nENABLE_CONN_TYPE_USB", Command::DisableConnectType,
         u"ENABLE_CONN_TYPE_USB"},
    };
    for (const auto& c : cases) {
        const Request r = Parse(c.text);
        EXPECT_EQ(r.command, c.command) << std::string(c.text, c.text + 8);
        EXPECT_EQ(r.argument, c.argument);
    }
}

TEST(ProtocolParse, KeywordIsFoundAnywhereAndTheArgumentIsTheRestVerbatim) {
    const Request r = Parse(u"noise RequestSerialPort\r\nCOM5\r\n");
    EXPECT_EQ(r.command, Command::RequestSerialPort);
    EXPECT_EQ(r.argument, u"COM5\r\n");
}

TEST(ProtocolParse, KeywordWithoutItsCrLfIsNotRecognised) {
    EXPECT_EQ(Parse(u"RequestSerialPortCOM5").command, Command::None);
    EXPECT_EQ(Parse(u"GetAllConnectedPhone\r").command, Command::None);
    EXPECT_EQ(Parse(u"requestserialport\r\nCOM5").command, Command::None);
    EXPECT_EQ(Parse(u"UpdateConnectedPhone\r\n").command, Command::None); // server's word only
}

TEST(ProtocolParse, FixedSearchOrderNotPositionDecides) {
    // Request before release in one read: the request wins although it comes later.
    Request r = Parse(u"ReleaseSerialPort\r\nCOM3RequestSerialPort\r\nCOM5");
    EXPECT_EQ(r.command, Command::RequestSerialPort);
    EXPECT_EQ(r.argument, u"COM5");
    r = Parse(u"DisableConnectType\r\nGetAllConnectedPhone\r\n");
    EXPECT_EQ(r.command, Command::GetAllConnectedPhone);
    r = Parse(u"EnableConnectType\r\nReleaseModemPort\r\nx");
    EXPECT_EQ(r.command, Command::ReleaseModemPort);
    r = Parse(u"DisableConnectType\r\nEnableConnectType\r\nENABLE_CONN_TYPE_IR");
    EXPECT_EQ(r.command, Command::EnableConnectType);
}

TEST(ProtocolParse, ArgumentRunsFromTheFirstOccurrenceOfTheKeyword) {
    const Request r = Parse(u"RequestSerialPort\r\nRequestSerialPort\r\nCOM5");
    EXPECT_EQ(r.command, Command::RequestSerialPort);
    EXPECT_EQ(r.argument, u"RequestSerialPort\r\nCOM5");
}

TEST(ProtocolParse, TextEndsAtTheFirstNul) {
    std::vector<uint8_t> bytes = Bytes(u"RequestSerialPort\r\nCOM5");
    bytes.push_back(0);
    bytes.push_back(0);
    const auto tail = Bytes(u"junk");
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_EQ(Parse(bytes).argument, u"COM5");
    // A NUL before the keyword ends the text before it.
    std::vector<uint8_t> early = {0, 0};
    const auto key = Bytes(u"GetAllConnectedPhone\r\n");
    early.insert(early.end(), key.begin(), key.end());
    EXPECT_EQ(Parse(early).command, Command::None);
}

TEST(ProtocolParse, OddLastByteIsIgnored) {
    std::vector<uint8_t> bytes = Bytes(u"RequestSerialPort\r\nCOM5");
    bytes.push_back('7');
    const Request r = Parse(bytes);
    EXPECT_EQ(r.command, Command::RequestSerialPort);
    EXPECT_EQ(r.argument, u"COM5");
}

TEST(ProtocolParse, BytesBeyond255AreNotPartOfTheRequest) {
    // 19 units of keyword, then port text: 255 bytes hold 127 whole units.
    std::u16string text = u"RequestSerialPort\r\nCOM";
    text += std::u16string(127 - text.size(), u'9');
    text += u"XYZ";
    const std::vector<uint8_t> bytes = Bytes(text);
    ASSERT_GT(bytes.size(), kMaxRequestBytes);
    const Request r = Parse(bytes);
    EXPECT_EQ(r.command, Command::RequestSerialPort);
    EXPECT_EQ(r.argument.size(), 127u - 19u);
    EXPECT_EQ(r.argument.back(), u'9');
    // A keyword that only completes after byte 255 is not seen.
    std::u16string late(120, u' ');
    late += u"GetAllConnectedPhone\r\n";
    EXPECT_EQ(Parse(late).command, Command::None);
}

TEST(ProtocolParse, EmptyOrNullReadIsNoRequest) {
    EXPECT_EQ(ParseRequest(nullptr, 10).command, Command::None);
    const uint8_t one = 'R';
    EXPECT_EQ(ParseRequest(&one, 1).command, Command::None);
    EXPECT_EQ(ParseRequest(&one, 0).command, Command::None);
}

TEST(ProtocolSwitchWords, SearchedInTheOrderSerialUsbBtIr) {
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_SERIAL"), 0);
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_USB"), 1);
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_BT"), 2);
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_IR"), 3);
    // Several words: the order decides, not the position.
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_IR ENABLE_CONN_TYPE_BT"), 2);
    EXPECT_EQ(ParseSwitchWord(u"xxENABLE_CONN_TYPE_IRENABLE_CONN_TYPE_SERIAL\r\n"), 0);
}

TEST(ProtocolSwitchWords, BareOrMisspelledWordsAreNone) {
    EXPECT_EQ(ParseSwitchWord(u"BT"), -1);
    EXPECT_EQ(ParseSwitchWord(u""), -1);
    EXPECT_EQ(ParseSwitchWord(u"enable_conn_type_bt"), -1);
    EXPECT_EQ(ParseSwitchWord(u"ENABLE_CONN_TYPE_"), -1);
}

TEST(ProtocolReplies, RequestReplyIsTheEchoAndOneResultWord) {
    EXPECT_EQ(Decode(BuildRequestReply(0)), u"RequestSerialPort\r\nSUCCEED\r\n");
    EXPECT_EQ(Decode(BuildRequestReply(22)), u"RequestSerialPort\r\nUSED\r\n");
    EXPECT_EQ(Decode(BuildRequestReply(11)), u"RequestSerialPort\r\nCMDINVALID\r\n");
    // Exactly two bytes a character, little-endian, no terminator.
    const auto bytes = BuildRequestReply(0);
    EXPECT_EQ(bytes.size(), std::u16string(u"RequestSerialPort\r\nSUCCEED\r\n").size() * 2);
    EXPECT_EQ(bytes[0], 'R');
    EXPECT_EQ(bytes[1], 0);
}

TEST(ProtocolReplies, HeadersCarryTheCountAsBareDigits) {
    EXPECT_EQ(Decode(BuildListHeader(3)), u"GetAllConnectedPhone\r\n3");
    EXPECT_EQ(Decode(BuildPushHeader(0)), u"UpdateConnectedPhone\r\n0");
    EXPECT_EQ(Decode(BuildPushHeader(1000)), u"UpdateConnectedPhone\r\n1000");
}

TEST(ProtocolPayload, ThreePhonesMake12336BytesWithZeroSecondHalves) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (const char16_t* port : {u"COM3", u"COM4", u"COM5"}) {
        auto p = test::MakePhone(u"X1", port);
        std::memset(p.tszIMEI, 0x7F, sizeof p.tszIMEI); // no zero bytes to hide a mistake
        phones.push_back(p);
    }
    const auto payload = BuildPayload(phones);
    ASSERT_EQ(payload.size(), 12336u);
    for (std::size_t slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(std::memcmp(payload.data() + slot * 4112, &phones[slot], 2056), 0) << slot;
    }
    for (std::size_t from : {2056u, 6168u, 10280u}) {
        for (std::size_t i = from; i < from + 2056; ++i) {
            ASSERT_EQ(payload[i], 0) << i;
        }
    }
}

TEST(ProtocolPayload, MoreThanTwentyFourRowsGetASlotEach) {
    std::vector<_CONNECTEDPHONE_T> phones(30, test::MakePhone(u"X", u"COM1"));
    phones[29].dwConnectType = kConnBluetooth;
    const auto payload = BuildPayload(phones);
    ASSERT_EQ(payload.size(), 30 * kSlotBytes);
    EXPECT_EQ(payload[29 * kSlotBytes], kConnBluetooth);
}

} // namespace
