// The client decoder takes the server's messages out of the byte stream however TCP splits or
// merges them, and reports garbage as skipped without holding on to it.
#include "portservice/client_decoder.h"

#include <cstring>

#include <gtest/gtest.h>

#include "portservice/protocol.h"
#include "tests/support/phone_records.h"

using namespace hitched;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<_CONNECTEDPHONE_T> Phones(std::size_t n) {
    std::vector<_CONNECTEDPHONE_T> phones;
    for (std::size_t i = 0; i < n; ++i) {
        phones.push_back(test::MakeConnectedPhone(u"X", u"COM" + AsciiToUtf16(std::to_string(i)),
                                                  i % 2 ? kConnBluetooth : kConnUsb));
        phones.back().dwExtraInfo = static_cast<uint32_t>(0x1000 + i);
    }
    return phones;
}

Bytes Push(std::size_t n) {
    return Concat({BuildPushHeader(n), BuildPayload(Phones(n))});
}

// The messages as "U2 L3 R22 M14": a push of 2 phones, a list of 3, a request reply of 22, 14
// bytes skipped. Every phone message's phones are checked against Phones(count).
std::string Decode(const Bytes& stream, std::vector<std::size_t> cuts = {}, bool flush = false) {
    ClientDecoder decoder;
    cuts.push_back(stream.size());
    for (std::size_t from = 0, i = 0; i < cuts.size(); from = cuts[i++])
        decoder.Feed(stream.data() + from, cuts[i] - from);
    if (flush)
        decoder.Flush();
    std::string out;
    for (ServerMessage m; decoder.Next(m);) {
        const auto phones = Phones(m.count);
        if (m.kind == ServerMessageKind::UpdateConnectedPhone ||
            m.kind == ServerMessageKind::GetAllConnectedPhone) {
            EXPECT_EQ(m.phones.size(), m.count);
            for (std::size_t i = 0; i < m.phones.size(); ++i)
                EXPECT_EQ(std::memcmp(&m.phones[i], &phones[i], sizeof phones[i]), 0) << i;
        }
        out += out.empty() ? "" : " ";
        switch (m.kind) {
        case ServerMessageKind::UpdateConnectedPhone:
            out += "U" + std::to_string(m.count);
            break;
        case ServerMessageKind::GetAllConnectedPhone:
            out += "L" + std::to_string(m.count);
            break;
        case ServerMessageKind::RequestReply:
            out += "R" + std::to_string(m.portResult) +
                   (m.word == std::u16string(kWordUsed) ? "u" : "");
            break;
        case ServerMessageKind::Malformed:
            out += "M" + std::to_string(m.skippedBytes);
            break;
        }
    }
    return out;
}

TEST(ClientDecoder, APushAndAReplySplitAtAnyByteDecodeTheSame) {
    const Bytes stream = Concat({Push(2), BuildRequestReply(kPortUsed)});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut)
        ASSERT_EQ(Decode(stream, {cut}), "U2 R22u") << "cut at " << cut;
}

TEST(ClientDecoder, ByteByByteItNeverHoldsMoreThanOnePartialSlot) {
    const Bytes stream =
        Concat({BuildRequestReply(kPortDone), BuildListHeader(3), BuildPayload(Phones(3)),
                BuildRequestReply(kPortInvalid), Push(12)});
    ClientDecoder decoder;
    for (uint8_t byte : stream) {
        decoder.Feed(&byte, 1);
        ASSERT_LT(decoder.Buffered(), kSlotBytes);
    }
    EXPECT_TRUE(decoder.AtMessageBoundary());
    std::vector<std::size_t> everyByte(stream.size() - 1);
    for (std::size_t i = 0; i < everyByte.size(); ++i)
        everyByte[i] = i + 1;
    EXPECT_EQ(Decode(stream, everyByte), "R0 L3 R11 U12");
}

TEST(ClientDecoder, CountsEndAtTheNextUnitOrAPauseAndGarbageIsSkippedOnceARun) {
    const Bytes used = BuildRequestReply(kPortUsed);
    const struct {
        Bytes stream;
        bool flush;
        const char* messages;
    } cases[] = {
        {BuildPushHeader(0), false, ""}, // "0" might still become "05"
        {BuildPushHeader(0), true, "U0"},
        {Concat({BuildPushHeader(0), BuildRequestReply(kPortDone)}), false, "U0 R0"},
        {Concat({EncodeText(u"hello\r\n"), used}), false, "M14 R22u"},
        {EncodeText(u"RequestSerialPort\r\nMAYBE\r\n"), false, "M52"},
        {Concat({EncodeText(kKeyUpdateConnectedPhone), used}), false, "M44 R22u"},
        {EncodeText(u"UpdateConnectedPhone\r\n99999999999"), true, "M66"}, // beyond 10,000 phones
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.stream, {}, c.flush), c.messages) << c.messages;
    ClientDecoder decoder;
    Bytes junk(100000);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<uint8_t>(i * 37 + 11);
    decoder.Feed(junk.data(), junk.size());
    EXPECT_LT(decoder.Buffered(), 64u);
    int reports = 0;
    for (ServerMessage m; decoder.Next(m);)
        reports += m.kind == ServerMessageKind::Malformed ? 1 : 0;
    EXPECT_GT(reports, 0);
    EXPECT_LT(reports, 100) << "one report per run of garbage, not one per unit";
}

} // namespace
