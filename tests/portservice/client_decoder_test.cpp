#include "portservice/client_decoder.h"

#include <cstring>

#include <gtest/gtest.h>

#include "portservice/protocol.h"
#include "tests/portservice/phone_builder.h"

using namespace hitched;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<_CONNECTEDPHONE_T> Phones(std::size_t n) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (std::size_t i = 0; i < n; ++i) {
        auto p = test::MakePhone(u"X" + std::u16string(1, u'0' + static_cast<char16_t>(i)),
                                 u"COM" + std::u16string(1, u'3' + static_cast<char16_t>(i)),
                                 i % 2 ? kConnBluetooth : kConnUsb);
        p.dwExtraInfo = static_cast<uint32_t>(0x1000 + i);
        phones.push_back(p);
    }
    return phones;
}

Bytes Push(const std::vector<_CONNECTEDPHONE_T>& phones) {
    return Concat({BuildPushHeader(phones.size()), BuildPayload(phones)});
}

std::vector<ServerMessage> Drain(ClientDecoder& decoder) {
    std::vector<ServerMessage> out;
    ServerMessage m;
    while (decoder.Next(m)) {
        out.push_back(m);
    }
    return out;
}

std::vector<ServerMessage> DecodeInPieces(const Bytes& stream,
                                          const std::vector<std::size_t>& cuts) {
    ClientDecoder decoder;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        decoder.Feed(stream.data() + from, cut - from);
        from = cut;
    }
    decoder.Feed(stream.data() + from, stream.size() - from);
    return Drain(decoder);
}

void ExpectPhones(const ServerMessage& m, const std::vector<_CONNECTEDPHONE_T>& phones) {
    ASSERT_EQ(m.count, phones.size());
    ASSERT_EQ(m.phones.size(), phones.size());
    for (std::size_t i = 0; i < phones.size(); ++i) {
        EXPECT_EQ(std::memcmp(&m.phones[i], &phones[i], sizeof phones[i]), 0) << i;
    }
}

// A push, then a request reply, then a list reply: the order a client may see them.
TEST(ClientDecoder, PushSplitAtEveryPointDecodesTheSame) {
    const auto phones = Phones(2);
    const Bytes stream = Concat({Push(phones), BuildRequestReply(kPortUsed)});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        const auto messages = DecodeInPieces(stream, {cut});
        ASSERT_EQ(messages.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(messages[0].kind, ServerMessageKind::UpdateConnectedPhone);
        ExpectPhones(messages[0], phones);
        EXPECT_EQ(messages[1].kind, ServerMessageKind::RequestReply);
        EXPECT_EQ(messages[1].portResult, kPortUsed);
        EXPECT_EQ(messages[1].word, u"USED\r\n");
    }
}

TEST(ClientDecoder, PushCutTwiceAroundTheHeaderAndDigits) {
    const auto phones = Phones(1);
    const Bytes stream = Push(phones);
    const std::size_t headerBytes = BuildPushHeader(1).size();
    for (std::size_t a = 1; a < headerBytes + 4; ++a) {
        for (std::size_t b = a; b < headerBytes + 8; ++b) {
            const auto messages = DecodeInPieces(stream, {a, b});
            ASSERT_EQ(messages.size(), 1u) << a << "," << b;
            ExpectPhones(messages[0], phones);
        }
    }
}

TEST(ClientDecoder, ByteByByteFeedingOfManyMessages) {
    const auto three = Phones(3);
    const Bytes stream =
        Concat({BuildRequestReply(kPortDone), BuildListHeader(3), BuildPayload(three),
                BuildRequestReply(kPortInvalid), Push(Phones(1))});
    ClientDecoder decoder;
    for (uint8_t byte : stream) {
        decoder.Feed(&byte, 1);
        EXPECT_LT(decoder.Buffered(), kSlotBytes); // never holds more than one partial slot
    }
    const auto messages = Drain(decoder);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].portResult, kPortDone);
    EXPECT_EQ(messages[1].kind, ServerMessageKind::GetAllConnectedPhone);
    ExpectPhones(messages[1], three);
    EXPECT_EQ(messages[2].portResult, kPortInvalid);
    EXPECT_EQ(messages[3].kind, ServerMessageKind::UpdateConnectedPhone);
    EXPECT_TRUE(decoder.AtMessageBoundary());
}

TEST(ClientDecoder, CountZeroPushIsCompleteWhenTheNextMessageOrAPauseEndsItsDigits) {
    ClientDecoder decoder;
    const Bytes header = BuildPushHeader(0);
    decoder.Feed(header.data(), header.size());
    ServerMessage m;
    EXPECT_FALSE(decoder.Next(m)); // "0" might still become "05"
    decoder.Flush();
    ASSERT_TRUE(decoder.Next(m));
    EXPECT_EQ(m.kind, ServerMessageKind::UpdateConnectedPhone);
    EXPECT_EQ(m.count, 0u);
    EXPECT_TRUE(m.phones.empty());

    const Bytes two = Concat({BuildPushHeader(0), BuildRequestReply(kPortDone)});
    const auto messages = DecodeInPieces(two, {});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].count, 0u);
    EXPECT_EQ(messages[1].portResult, kPortDone);
}

TEST(ClientDecoder, MultiDigitCountSplitInsideTheDigits) {
    const auto phones = Phones(12);
    const Bytes stream = Push(phones);
    const std::size_t digitsAt = std::u16string(kKeyUpdateConnectedPhone).size() * 2;
    const auto messages = DecodeInPieces(stream, {digitsAt + 1, digitsAt + 2, digitsAt + 3});
    ASSERT_EQ(messages.size(), 1u);
    ExpectPhones(messages[0], phones);
}

TEST(ClientDecoder, GarbageIsReportedSkippedAndFollowedByTheNextMessage) {
    const Bytes junk = EncodeText(u"hello\r\n");
    const Bytes stream = Concat({junk, BuildRequestReply(kPortDone)});
    const auto messages = DecodeInPieces(stream, {});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].kind, ServerMessageKind::Malformed);
    EXPECT_EQ(messages[0].skippedBytes, junk.size());
    EXPECT_EQ(messages[1].kind, ServerMessageKind::RequestReply);
}

TEST(ClientDecoder, UnknownResultWordIsMalformed) {
    const auto messages = DecodeInPieces(EncodeText(u"RequestSerialPort\r\nMAYBE\r\n"), {});
    ASSERT_FALSE(messages.empty());
    for (const auto& m : messages) {
        EXPECT_EQ(m.kind, ServerMessageKind::Malformed);
    }
}

TEST(ClientDecoder, HeaderWithoutDigitsOrWithAHugeCountIsMalformed) {
    auto messages = DecodeInPieces(
        Concat({EncodeText(kKeyUpdateConnectedPhone), BuildRequestReply(kPortUsed)}), {});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].kind, ServerMessageKind::Malformed);
    EXPECT_EQ(messages[1].portResult, kPortUsed);

    ClientDecoder decoder;
    const Bytes huge = EncodeText(u"UpdateConnectedPhone\r\n99999999999999999999");
    decoder.Feed(huge.data(), huge.size());
    messages = Drain(decoder);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].kind, ServerMessageKind::Malformed);
    EXPECT_LT(decoder.Buffered(), 64u);
}

TEST(ClientDecoder, EndlessGarbageIsNeverBufferedOrRepeatedPerUnit) {
    ClientDecoder decoder;
    Bytes junk(100000);
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    decoder.Feed(junk.data(), junk.size());
    EXPECT_LT(decoder.Buffered(), 64u);
    const auto messages = Drain(decoder);
    EXPECT_FALSE(messages.empty());
    EXPECT_LT(messages.size(), 100u); // one report per run of garbage, not one per unit
}

TEST(ClientDecoder, OddByteSplitsKeepUnitAlignment) {
    const Bytes stream = Concat({BuildRequestReply(kPortDone), BuildRequestReply(kPortUsed)});
    std::vector<std::size_t> cuts;
    for (std::size_t c = 1; c < stream.size(); c += 3) {
        cuts.push_back(c);
    }
    const auto messages = DecodeInPieces(stream, cuts);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].portResult, kPortUsed);
}

} // namespace
