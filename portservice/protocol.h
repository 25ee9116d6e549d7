#pragma once
// The port service's wire protocol, apart from the sockets: UTF-16LE text without BOM or NUL,
// keywords ending in CR LF, and the binary phone-list payload (see port_table.h).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "portservice/port_table.h"

namespace hitched {

// Client requests (also the reply prefixes of the request and the list).
constexpr const char16_t* kKeyRequestSerialPort = u"RequestSerialPort\r\n";
constexpr const char16_t* kKeyReleaseSerialPort = u"ReleaseSerialPort\r\n";
constexpr const char16_t* kKeyRequestModemPort = u"RequestModemPort\r\n";
constexpr const char16_t* kKeyReleaseModemPort = u"ReleaseModemPort\r\n";
constexpr const char16_t* kKeyGetAllConnectedPhone = u"GetAllConnectedPhone\r\n";
constexpr const char16_t* kKeyEnableConnectType = u"EnableConnectType\r\n";
constexpr const char16_t* kKeyDisableConnectType = u"DisableConnectType\r\n";
// Server to client.
constexpr const char16_t* kKeyUpdateConnectedPhone = u"UpdateConnectedPhone\r\n";
constexpr const char16_t* kWordSucceed = u"SUCCEED\r\n";
constexpr const char16_t* kWordUsed = u"USED\r\n";
constexpr const char16_t* kWordCmdInvalid = u"CMDINVALID\r\n";

// Connection-type switch words, in the order they are searched; the index is the type code.
constexpr const char16_t* kSwitchWords[] = {u"ENABLE_CONN_TYPE_SERIAL", u"ENABLE_CONN_TYPE_USB",
                                            u"ENABLE_CONN_TYPE_BT", u"ENABLE_CONN_TYPE_IR"};

enum class Command {
    None,
    RequestSerialPort,
    ReleaseSerialPort,
    RequestModemPort,
    ReleaseModemPort,
    GetAllConnectedPhone,
    EnableConnectType,
    DisableConnectType
};

struct Request {
    Command command = Command::None;
    std::u16string argument; // everything after the keyword
};

// The server reads at most this many bytes at a time; one read is one request.
constexpr std::size_t kMaxRequestBytes = 255;

// Turns the bytes of one read into a request: bytes beyond kMaxRequestBytes and an odd last
// byte are ignored, the text ends at the first NUL unit, and the keywords are searched anywhere
// in it in a fixed order (request, release, modem request, modem release, list, enable,
// disable); the first one found wins, whatever its position.
Request ParseRequest(const uint8_t* bytes, std::size_t length);

// The switch word an Enable/DisableConnectType argument contains (first found in the order
// SERIAL, USB, BT, IR): its code 0..3, or -1 when there is none.
int ParseSwitchWord(const std::u16string& argument);

std::vector<uint8_t> EncodeText(const std::u16string& text); // UTF-16LE, no terminator

// "RequestSerialPort\r\n" followed by "SUCCEED\r\n" (0), "USED\r\n" (22) or "CMDINVALID\r\n".
std::vector<uint8_t> BuildRequestReply(int portResult);
// "GetAllConnectedPhone\r\n" and the count in decimal, no CR LF after the digits.
std::vector<uint8_t> BuildListHeader(std::size_t count);
// "UpdateConnectedPhone\r\n" and the count in decimal, no CR LF after the digits.
std::vector<uint8_t> BuildPushHeader(std::size_t count);

// Appends one payload slot: the record exactly as laid out, then 2056 zero bytes. A payload
// is count slots; more than 24 rows simply make it longer (there is no fixed 102,400-byte send
// buffer that would cut it off), so the header's count always matches the slots that follow.
void AppendPayloadSlot(std::vector<uint8_t>& payload, const _CONNECTEDPHONE_T& phone);
std::vector<uint8_t> BuildPayload(const std::vector<_CONNECTEDPHONE_T>& phones);

} // namespace hitched
