// Drives the request codec and the phone table the way the server does, from several fake
// clients reading, disconnecting and receiving pushes, and checks after every step:
//  - each reply equals what the table's rules give on the state before the request;
//  - bUsed and sOwner change together; no row is held by a client whose connection ended;
//  - holds survive a rebuild exactly as the carry-over rule says;
//  - every reply and push the clients receive, split at arbitrary points, decodes back to
//    exactly what was sent.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "detect/utf16_field.h"
#include "portservice/client_decoder.h"
#include "portservice/port_table.h"
#include "portservice/protocol.h"

using namespace hitched;

namespace {

constexpr int kClients = 4;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                 \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

const char16_t* const kKeywords[] = {
    kKeyRequestSerialPort,    kKeyReleaseSerialPort, kKeyRequestModemPort,  kKeyReleaseModemPort,
    kKeyGetAllConnectedPhone, kKeyEnableConnectType, kKeyDisableConnectType};

struct Client {
    ClientId id;
    ClientDecoder decoder;
};

struct World {
    PortTable table;
    Client clients[kClients];
    std::set<ClientId> retired;
    ClientId nextId = 1;

    World() {
        for (Client& c : clients) {
            c.id = nextId++;
        }
    }
};

std::u16string PortText(int n) {
    return u"COM" + std::u16string(1, u'0' + char16_t(n));
}

// One read's bytes: a well-formed command with a likely port text, or anything at all.
std::vector<uint8_t> MakeRead(FuzzedDataProvider& in) {
    const uint8_t mode = in.ConsumeIntegral<uint8_t>();
    if (mode % 2 == 0) {
        return in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 300));
    }
    std::u16string text;
    if (mode & 2) {
        text += kKeywords[(mode >> 2) % 7];
    } else {
        text += kKeywords[(mode >> 2) % 7];
        text += kKeywords[(mode >> 5) % 7];
    }
    text += PortText(in.ConsumeIntegralInRange<int>(0, 5));
    const std::string tail = in.ConsumeRandomLengthString(8);
    text += AsciiToUtf16(tail);
    return EncodeText(text);
}

// Feeds a message to a client in up to three pieces and returns what it decodes.
std::vector<ServerMessage> Deliver(FuzzedDataProvider& in, Client& client,
                                   const std::vector<uint8_t>& bytes) {
    std::size_t a = in.ConsumeIntegralInRange<std::size_t>(0, bytes.size());
    std::size_t b = in.ConsumeIntegralInRange<std::size_t>(a, bytes.size());
    client.decoder.Feed(bytes.data(), a);
    client.decoder.Feed(bytes.data() + a, b - a);
    client.decoder.Feed(bytes.data() + b, bytes.size() - b);
    client.decoder.Flush(); // the server pauses after every message
    std::vector<ServerMessage> out;
    ServerMessage m;
    while (client.decoder.Next(m)) {
        out.push_back(std::move(m));
    }
    CHECK(client.decoder.AtMessageBoundary());
    return out;
}

void CheckPhonesMessage(const std::vector<ServerMessage>& got, ServerMessageKind kind,
                        const std::vector<_PORTPHONEENTRY_T>& rows) {
    CHECK(got.size() == 1);
    CHECK(got[0].kind == kind);
    CHECK(got[0].count == rows.size());
    CHECK(got[0].phones.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        CHECK(std::memcmp(&got[0].phones[i], &rows[i].stPhoneInfo, sizeof(_CONNECTEDPHONE_T)) == 0);
    }
}

int ExpectedRequest(const std::vector<_PORTPHONEENTRY_T>& rows, const std::u16string& text) {
    if (text.find(u"COM") == std::u16string::npos) {
        return kPortInvalid;
    }
    for (const auto& row : rows) {
        if (FieldView(row.stPhoneInfo.dwSerialPort) == text) {
            return row.bUsed ? kPortUsed : kPortDone;
        }
    }
    return kPortInvalid;
}

int ExpectedRelease(const std::vector<_PORTPHONEENTRY_T>& rows, ClientId id,
                    const std::u16string& text) {
    if (text.find(u"COM") == std::u16string::npos) {
        return kPortInvalid;
    }
    for (const auto& row : rows) {
        if (row.sOwner == id && FieldView(row.stPhoneInfo.dwSerialPort) == text) {
            return kPortDone;
        }
    }
    return kPortInvalid;
}

void ClientRead(FuzzedDataProvider& in, World& w) {
    Client& client = w.clients[in.ConsumeIntegralInRange<int>(0, kClients - 1)];
    const std::vector<uint8_t> bytes = MakeRead(in);
    const Request request = ParseRequest(bytes.data(), bytes.size());
    CHECK(request.argument.size() <= kMaxRequestBytes / 2);
    CHECK(request.argument.find(u'\0') == std::u16string::npos);
    const auto before = w.table.Snapshot();
    switch (request.command) {
    case Command::RequestSerialPort: {
        const int code = w.table.RequestSerialPort(client.id, request.argument);
        CHECK(code == ExpectedRequest(before, request.argument));
        const auto got = Deliver(in, client, BuildRequestReply(code));
        CHECK(got.size() == 1 && got[0].kind == ServerMessageKind::RequestReply);
        CHECK(got[0].portResult == code);
        break;
    }
    case Command::ReleaseSerialPort: {
        const int code = w.table.ReleaseSerialPort(client.id, request.argument);
        CHECK(code == ExpectedRelease(before, client.id, request.argument));
        break;
    }
    case Command::GetAllConnectedPhone: {
        if (before.empty()) {
            break; // an empty table gets no answer
        }
        std::vector<uint8_t> reply = BuildListHeader(before.size());
        const std::vector<uint8_t> payload = w.table.Payload();
        CHECK(payload.size() == before.size() * kSlotBytes);
        reply.insert(reply.end(), payload.begin(), payload.end());
        CheckPhonesMessage(Deliver(in, client, reply), ServerMessageKind::GetAllConnectedPhone,
                           before);
        break;
    }
    case Command::EnableConnectType:
    case Command::DisableConnectType: {
        const int code = ParseSwitchWord(request.argument);
        CHECK(code >= -1 && code <= 3);
        break;
    }
    default:
        break;
    }
    if (request.command != Command::RequestSerialPort &&
        request.command != Command::ReleaseSerialPort) {
        const auto after = w.table.Snapshot();
        CHECK(after.size() == before.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            CHECK(after[i].bUsed == before[i].bUsed && after[i].sOwner == before[i].sOwner);
        }
    }
}

void Disconnect(FuzzedDataProvider& in, World& w) {
    Client& client = w.clients[in.ConsumeIntegralInRange<int>(0, kClients - 1)];
    w.table.ReleaseByOwner(client.id);
    w.retired.insert(client.id);
    client.id = w.nextId++; // a new connection takes the slot
    client.decoder = ClientDecoder();
}

void Rebuild(FuzzedDataProvider& in, World& w) {
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::vector<_CONNECTEDPHONE_T> phones(n);
    std::vector<const _CONNECTEDPHONE_T*> list;
    for (auto& p : phones) {
        p = _CONNECTEDPHONE_T{};
        p.dwConnectType = in.ConsumeIntegralInRange<uint32_t>(0, 4);
        CopyField(p.tszPhoneName, std::u16string(1, u'A' + in.ConsumeIntegralInRange<int>(0, 2)));
        CopyField(p.dwSerialPort, PortText(in.ConsumeIntegralInRange<int>(0, 5)));
        p.dwExtraInfo = in.ConsumeIntegral<uint32_t>();
        list.push_back(&p);
    }
    const auto before = w.table.Snapshot();
    const std::vector<uint8_t> payload = w.table.Rebuild(list);
    const auto after = w.table.Snapshot();

    // Expected holds: each held old row, in order, onto the first new row of its name.
    std::vector<std::pair<uint32_t, uint32_t>> holds(n, {0, 0});
    for (const auto& old : before) {
        if (!old.bUsed) {
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (FieldEquals(phones[i].tszPhoneName, old.stPhoneInfo.tszPhoneName)) {
                holds[i] = {old.bUsed, old.sOwner};
                break;
            }
        }
    }
    CHECK(after.size() == n);
    CHECK(payload.size() == n * kSlotBytes);
    for (std::size_t i = 0; i < n; ++i) {
        CHECK(after[i].bUsed == holds[i].first && after[i].sOwner == holds[i].second);
        CHECK(std::memcmp(&after[i].stPhoneInfo, &phones[i], sizeof phones[i]) == 0);
        CHECK(std::memcmp(payload.data() + i * kSlotBytes, &phones[i], sizeof phones[i]) == 0);
    }
    // The push reaches every client.
    std::vector<uint8_t> push = BuildPushHeader(n);
    push.insert(push.end(), payload.begin(), payload.end());
    for (Client& client : w.clients) {
        CheckPhonesMessage(Deliver(in, client, push), ServerMessageKind::UpdateConnectedPhone,
                           after);
    }
}

void Copy(FuzzedDataProvider& in, World& w) {
    const std::size_t size = in.ConsumeIntegralInRange<std::size_t>(0, 8 * 2056);
    std::vector<uint8_t> buffer(size + 1, 0xAB);
    const auto rows = w.table.Snapshot();
    const int copied = w.table.CopyConnectedPhones(buffer.data(), size);
    int expected = 0;
    if (rows.size() * 2056 <= size) {
        for (const auto& row : rows) {
            const uint32_t t = row.stPhoneInfo.dwConnectType;
            expected += (t == kConnUsb || t == kConnBluetooth) ? 1 : 0;
        }
    }
    CHECK(copied == expected);
    CHECK(buffer[size] == 0xAB); // never beyond the size given
}

void CheckInvariants(const World& w) {
    for (const auto& row : w.table.Snapshot()) {
        CHECK((row.bUsed != 0) == (row.sOwner != 0));
        CHECK(row.bUsed == 0 || row.bUsed == 1);
        CHECK(w.retired.count(row.sOwner) == 0);
        CHECK(row.sOwner < w.nextId);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    World w;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
        case 1:
        case 2:
        case 3:
            ClientRead(in, w);
            break;
        case 4:
            Disconnect(in, w);
            break;
        case 5:
        case 6:
            Rebuild(in, w);
            break;
        default:
            Copy(in, w);
            break;
        }
        CheckInvariants(w);
    }
    return 0;
}
