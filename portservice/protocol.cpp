#include "portservice/protocol.h"

#include <algorithm>
#include <cstring>

#include "portservice/port_table.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "records go on the wire in memory order, which must be little-endian"
#endif

namespace hitched {
namespace {

struct Keyword {
    const char16_t* text;
    Command command;
};

// Search order: a read holding both a release and a request is taken as the request.
const Keyword kRequestKeywords[] = {
    {kKeyRequestSerialPort, Command::RequestSerialPort},
    {kKeyReleaseSerialPort, Command::ReleaseSerialPort},
    {kKeyRequestModemPort, Command::RequestModemPort},
    {kKeyReleaseModemPort, Command::ReleaseModemPort},
    {kKeyGetAllConnectedPhone, Command::GetAllConnectedPhone},
    {kKeyEnableConnectType, Command::EnableConnectType},
    {kKeyDisableConnectType, Command::DisableConnectType},
};

std::u16string DecodeRead(const uint8_t* bytes, std::size_t length) {
    std::u16string text;
    if (!bytes) {
        return text;
    }
    const std::size_t units = std::min(length, kMaxRequestBytes) / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == u'\0') {
            break;
        }
        text += unit;
    }
    return text;
}

std::vector<uint8_t> BuildCountHeader(const char16_t* keyword, std::size_t count) {
    std::u16string text(keyword);
    for (char c : std::to_string(count)) {
        text += static_cast<char16_t>(c);
    }
    return EncodeText(text);
}

} // namespace

Request ParseRequest(const uint8_t* bytes, std::size_t length) {
    const std::u16string text = DecodeRead(bytes, length);
    Request request;
    for (const Keyword& keyword : kRequestKeywords) {
        const std::u16string key(keyword.text);
        const std::size_t at = text.find(key);
        if (at != std::u16string::npos) {
            request.command = keyword.command;
            request.argument = text.substr(at + key.size());
            break;
        }
    }
    return request;
}

int ParseSwitchWord(const std::u16string& argument) {
    for (int code = 0; code < 4; ++code) {
        if (argument.find(kSwitchWords[code]) != std::u16string::npos) {
            return code;
        }
    }
    return -1;
}

std::vector<uint8_t> EncodeText(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<uint8_t> BuildRequestReply(int portResult) {
    const char16_t* word = portResult == kPortDone   ? kWordSucceed
                           : portResult == kPortUsed ? kWordUsed
                                                     : kWordCmdInvalid;
    return EncodeText(std::u16string(kKeyRequestSerialPort) + word);
}

std::vector<uint8_t> BuildListHeader(std::size_t count) {
    return BuildCountHeader(kKeyGetAllConnectedPhone, count);
}

std::vector<uint8_t> BuildPushHeader(std::size_t count) {
    return BuildCountHeader(kKeyUpdateConnectedPhone, count);
}

void AppendPayloadSlot(std::vector<uint8_t>& payload, const _CONNECTEDPHONE_T& phone) {
    const std::size_t at = payload.size();
    payload.resize(at + kSlotBytes, 0);
    std::memcpy(payload.data() + at, &phone, sizeof phone);
}

std::vector<uint8_t> BuildPayload(const std::vector<_CONNECTEDPHONE_T>& phones) {
    std::vector<uint8_t> payload;
    payload.reserve(phones.size() * kSlotBytes);
    for (const _CONNECTEDPHONE_T& phone : phones) {
        AppendPayloadSlot(payload, phone);
    }
    return payload;
}

} // namespace hitched
