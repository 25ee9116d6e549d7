#include "portservice/client_decoder.h"

#include <cstring>

#include "portservice/port_table.h"
#include "portservice/protocol.h"

namespace hitched {
namespace {

struct Expected {
    std::u16string text;
    ServerMessageKind kind;
    int portResult;
};

// Everything a message can begin with. The request reply is matched with its word.
const std::vector<Expected>& ExpectedTexts() {
    static const std::vector<Expected> kTexts = {
        {kKeyUpdateConnectedPhone, ServerMessageKind::UpdateConnectedPhone, 0},
        {kKeyGetAllConnectedPhone, ServerMessageKind::GetAllConnectedPhone, 0},
        {std::u16string(kKeyRequestSerialPort) + kWordSucceed, ServerMessageKind::RequestReply,
         kPortDone},
        {std::u16string(kKeyRequestSerialPort) + kWordUsed, ServerMessageKind::RequestReply,
         kPortUsed},
        {std::u16string(kKeyRequestSerialPort) + kWordCmdInvalid, ServerMessageKind::RequestReply,
         kPortInvalid},
    };
    return kTexts;
}

constexpr std::size_t kMaxCountDigits = 5; // kMaxPhones has five digits

} // namespace

void ClientDecoder::Feed(const uint8_t* data, std::size_t length) {
    if (data && length) {
        m_buffer.insert(m_buffer.end(), data, data + length);
    }
    Process(false);
}

void ClientDecoder::Flush() {
    Process(true);
}

bool ClientDecoder::Next(ServerMessage& message) {
    if (m_ready.empty()) {
        return false;
    }
    message = std::move(m_ready.front());
    m_ready.pop_front();
    return true;
}

void ClientDecoder::Process(bool flushing) {
    bool progress = true;
    while (progress) {
        switch (m_state) {
        case State::Keyword:
            progress = StepKeyword();
            break;
        case State::Count:
            progress = StepCount(flushing);
            break;
        case State::Payload:
            progress = StepPayload();
            break;
        }
    }
    // A garbage run that reaches the end of the data is reported now, not when more arrives.
    EndSkipRun();
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_pos = 0;
}

char16_t ClientDecoder::UnitAt(std::size_t offset) const {
    const std::size_t i = m_pos + offset;
    return static_cast<char16_t>(m_buffer[i] | (m_buffer[i + 1] << 8));
}

void ClientDecoder::Skip(std::size_t bytes) {
    m_pos += bytes;
    m_skipped += bytes;
}

void ClientDecoder::EndSkipRun() {
    if (m_skipped) {
        ServerMessage bad;
        bad.kind = ServerMessageKind::Malformed;
        bad.skippedBytes = m_skipped;
        m_skipped = 0;
        m_ready.push_back(std::move(bad));
    }
}

void ClientDecoder::Emit(ServerMessage message) {
    EndSkipRun();
    m_ready.push_back(std::move(message));
}

// Matches the buffered units against every text a message may begin with. Waits while they
// could still become one; drops one unit when they cannot.
bool ClientDecoder::StepKeyword() {
    const std::size_t units = Available() / 2;
    if (units == 0) {
        return false;
    }
    bool couldGrow = false;
    for (const Expected& expected : ExpectedTexts()) {
        const std::size_t n = std::min(units, expected.text.size());
        std::size_t i = 0;
        while (i < n && UnitAt(2 * i) == expected.text[i]) {
            ++i;
        }
        if (i < n) {
            continue;
        }
        if (n < expected.text.size()) {
            couldGrow = true;
            continue;
        }
        EndSkipRun();
        m_pos += 2 * expected.text.size();
        m_current = ServerMessage();
        m_current.kind = expected.kind;
        if (expected.kind == ServerMessageKind::RequestReply) {
            m_current.portResult = expected.portResult;
            m_current.word = expected.text.substr(std::u16string(kKeyRequestSerialPort).size());
            Emit(std::move(m_current));
        } else {
            m_state = State::Count;
            m_digits = 0;
            m_headerBytes = 2 * expected.text.size();
        }
        return true;
    }
    if (couldGrow) {
        return false;
    }
    Skip(2);
    return true;
}

bool ClientDecoder::StepCount(bool flushing) {
    while (Available() >= 2) {
        const char16_t unit = UnitAt(0);
        if (unit < u'0' || unit > u'9') {
            break;
        }
        m_pos += 2;
        m_current.count = m_current.count * 10 + (unit - u'0');
        if (++m_digits > kMaxCountDigits || m_current.count > kMaxPhones) {
            DropHeader();
            return true;
        }
    }
    const bool digitsEnded = Available() >= 2 || (flushing && Available() == 0);
    if (!digitsEnded) {
        return false;
    }
    if (m_digits == 0) {
        DropHeader(); // a header without a count; what follows may still be a message
        return true;
    }
    if (m_current.count == 0) {
        m_state = State::Keyword;
        Emit(std::move(m_current));
        return true;
    }
    m_current.phones.reserve(std::min<std::size_t>(m_current.count, 64));
    m_state = State::Payload;
    return true;
}

// The header turned out to be garbage: report its keyword and digits as skipped.
void ClientDecoder::DropHeader() {
    m_skipped += m_headerBytes + 2 * m_digits;
    m_state = State::Keyword;
}

bool ClientDecoder::StepPayload() {
    if (Available() < kSlotBytes) {
        return false;
    }
    _CONNECTEDPHONE_T phone;
    std::memcpy(&phone, m_buffer.data() + m_pos, sizeof phone);
    m_pos += kSlotBytes;
    m_current.phones.push_back(phone);
    if (m_current.phones.size() == m_current.count) {
        m_state = State::Keyword;
        Emit(std::move(m_current));
    }
    return true;
}

} // namespace hitched
