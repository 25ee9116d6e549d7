// Drives the request codec and the phone table the way the server does, from several fake
// clients reading, disconnecting and receiving pushes, and checks after every step:
//  - a read never yields an argument longer than 255 bytes allow, nor one holding a NUL;
//  - bUsed and sOwner change together; no row is held by a client whose connection ended;
//  - a command other than a request or release leaves every hold as it was;
//  - every reply, list and push the clients receive, split at arbitrary points, decodes back
//    to exactly what the table holds; a copy never writes past the size it was given.
// The table's rules themselves are pinned by its unit tests.
#include <fuzzer/FuzzedDataProvider.h>

#include "tests/fuzz/fuzz_check.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "contracts/utf16_field.h"
#include "portservice/client_decoder.h"
#include "portservice/port_table.h"
#include "portservice/protocol.h"

using namespace hitched;

namespace {

const char16_t* const kKeywords[] = {
    kKeyRequestSerialPort,    kKeyReleaseSerialPort, kKeyRequestModemPort,  kKeyReleaseModemPort,
    kKeyGetAllConnectedPhone, kKeyEnableConnectType, kKeyDisableConnectType};

struct Client {
    ClientId id;
    ClientDecoder decoder;
};

struct World {
    PortTable table;
    Client clients[4] = {{1, {}}, {2, {}}, {3, {}}, {4, {}}};
    std::set<ClientId> retired;
    ClientId nextId = 5;
};

std::u16string PortText(int n) {
    return u"COM" + std::u16string(1, u'0' + char16_t(n));
}

// One read's bytes: one or two keywords with a likely port text, or anything at all.
std::vector<uint8_t> MakeRead(FuzzedDataProvider& in) {
    const uint8_t mode = in.ConsumeIntegral<uint8_t>();
    if (mode % 2 == 0)
        return in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 300));
    std::u16string text = kKeywords[(mode >> 2) % 7];
    if (mode & 2)
        text += kKeywords[(mode >> 5) % 7];
    text += PortText(in.ConsumeIntegralInRange<int>(0, 5));
    return EncodeText(text + AsciiToUtf16(in.ConsumeRandomLengthString(8)));
}

// Feeds a message to a client in up to three pieces and checks what it decodes.
void Deliver(FuzzedDataProvider& in, Client& client, const std::vector<uint8_t>& bytes,
             ServerMessageKind kind, const std::vector<_PORTPHONEENTRY_T>& rows, int result = 0) {
    const std::size_t a = in.ConsumeIntegralInRange<std::size_t>(0, bytes.size());
    const std::size_t b = in.ConsumeIntegralInRange<std::size_t>(a, bytes.size());
    client.decoder.Feed(bytes.data(), a);
    client.decoder.Feed(bytes.data() + a, b - a);
    client.decoder.Feed(bytes.data() + b, bytes.size() - b);
    client.decoder.Flush(); // the server pauses after every message
    ServerMessage m;
    CHECK(client.decoder.Next(m) && m.kind == kind);
    CHECK(client.decoder.AtMessageBoundary() && !client.decoder.Next(m));
    if (kind == ServerMessageKind::RequestReply) {
        CHECK(m.portResult == result);
        return;
    }
    CHECK(m.count == rows.size() && m.phones.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        CHECK(std::memcmp(&m.phones[i], &rows[i].stPhoneInfo, sizeof(_CONNECTEDPHONE_T)) == 0);
}

void ClientRead(FuzzedDataProvider& in, World& w) {
    Client& client = w.clients[in.ConsumeIntegralInRange<int>(0, 3)];
    const std::vector<uint8_t> bytes = MakeRead(in);
    const Request request = ParseRequest(bytes.data(), bytes.size());
    CHECK(request.argument.size() <= kMaxRequestBytes / 2);
    CHECK(request.argument.find(u'\0') == std::u16string::npos);
    const auto before = w.table.Snapshot();
    if (request.command == Command::RequestSerialPort) {
        const int code = w.table.RequestSerialPort(client.id, request.argument);
        Deliver(in, client, BuildRequestReply(code), ServerMessageKind::RequestReply, {}, code);
        return;
    }
    if (request.command == Command::ReleaseSerialPort) {
        const int code = w.table.ReleaseSerialPort(client.id, request.argument);
        CHECK(code == kPortDone || code == kPortInvalid);
        return;
    }
    if (request.command == Command::GetAllConnectedPhone && !before.empty()) {
        std::vector<uint8_t> reply = BuildListHeader(before.size());
        const std::vector<uint8_t> payload = w.table.Payload();
        reply.insert(reply.end(), payload.begin(), payload.end());
        Deliver(in, client, reply, ServerMessageKind::GetAllConnectedPhone, before);
    }
    const int code = ParseSwitchWord(request.argument);
    CHECK(code >= -1 && code <= 3);
    const auto after = w.table.Snapshot();
    CHECK(after.size() == before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        CHECK(after[i].bUsed == before[i].bUsed && after[i].sOwner == before[i].sOwner);
}

void Disconnect(FuzzedDataProvider& in, World& w) {
    Client& client = w.clients[in.ConsumeIntegralInRange<int>(0, 3)];
    w.table.ReleaseByOwner(client.id);
    w.retired.insert(client.id);
    client.id = w.nextId++; // a new connection takes the slot
    client.decoder = ClientDecoder();
}

void Rebuild(FuzzedDataProvider& in, World& w) {
    std::vector<_CONNECTEDPHONE_T> phones(in.ConsumeIntegralInRange<std::size_t>(0, 6));
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (auto& p : phones) {
        p = _CONNECTEDPHONE_T{};
        p.dwConnectType = in.ConsumeIntegralInRange<uint32_t>(0, 4);
        CopyField(p.tszPhoneName, std::u16string(1, u'A' + in.ConsumeIntegralInRange<int>(0, 2)));
        CopyField(p.dwSerialPort, PortText(in.ConsumeIntegralInRange<int>(0, 5)));
        p.dwExtraInfo = in.ConsumeIntegral<uint32_t>();
        list.push_back(&p);
    }
    std::vector<uint8_t> push = BuildPushHeader(phones.size());
    const std::vector<uint8_t> payload = w.table.Rebuild(list);
    push.insert(push.end(), payload.begin(), payload.end());
    const auto after = w.table.Snapshot();
    CHECK(after.size() == phones.size());
    for (std::size_t i = 0; i < phones.size(); ++i)
        CHECK(std::memcmp(&after[i].stPhoneInfo, &phones[i], sizeof phones[i]) == 0);
    for (Client& client : w.clients) // the push reaches every client
        Deliver(in, client, push, ServerMessageKind::UpdateConnectedPhone, after);
}

void Copy(FuzzedDataProvider& in, World& w) {
    const std::size_t size = in.ConsumeIntegralInRange<std::size_t>(0, 8 * 2056);
    std::vector<uint8_t> buffer(size + 1, 0xAB);
    const int copied = w.table.CopyConnectedPhones(buffer.data(), size);
    CHECK(copied >= 0 && static_cast<std::size_t>(copied) * 2056 <= size);
    CHECK(buffer[size] == 0xAB); // never beyond the size given
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    World w;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 4:
            Disconnect(in, w);
            break;
        case 5:
        case 6:
            Rebuild(in, w);
            break;
        case 7:
            Copy(in, w);
            break;
        default:
            ClientRead(in, w);
            break;
        }
        for (const auto& row : w.table.Snapshot()) {
            CHECK((row.bUsed != 0) == (row.sOwner != 0) && row.bUsed <= 1);
            CHECK(w.retired.count(row.sOwner) == 0 && row.sOwner < w.nextId);
        }
    }
    return 0;
}
