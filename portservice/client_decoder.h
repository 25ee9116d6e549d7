#pragma once
// The client side of the wire protocol: feed it the bytes as they arrive, however TCP splits
// or merges them, and take complete server messages out. Garbage yields a Malformed message
// and is skipped; nothing is buffered beyond one partial keyword or one partial payload slot.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "portservice/connected_phone.h"

namespace hitched {

enum class ServerMessageKind {
    UpdateConnectedPhone, // push: count and the phones
    GetAllConnectedPhone, // list reply: count and the phones
    RequestReply,         // "RequestSerialPort\r\n" and a result word
    Malformed             // bytes that fit no message were skipped
};

struct ServerMessage {
    ServerMessageKind kind = ServerMessageKind::Malformed;
    std::size_t count = 0;                 // phone messages: the header's count
    std::vector<_CONNECTEDPHONE_T> phones; // phone messages: first half of every slot
    int portResult = 0;                    // request reply: 0, 22 or 11 as the word says
    std::u16string word;                   // request reply: "SUCCEED\r\n", "USED\r\n", ...
    std::size_t skippedBytes = 0;          // malformed: how many bytes were dropped
};

class ClientDecoder {
public:
    // A larger count is taken for garbage rather than waited for.
    static constexpr std::size_t kMaxPhones = 10000;

    void Feed(const uint8_t* data, std::size_t length);
    // The server paused or closed: a count whose digits end the data so far is complete
    // (the digits of a push with count 0 are followed by nothing).
    void Flush();
    // Takes the oldest complete message; false when there is none.
    bool Next(ServerMessage& message);

    // Bytes held for an incomplete message.
    std::size_t Buffered() const { return m_buffer.size(); }
    // Nothing incomplete is held: the stream stands between two messages.
    bool AtMessageBoundary() const { return m_state == State::Keyword && m_buffer.empty(); }

private:
    enum class State { Keyword, Count, Payload };

    void Process(bool flushing);
    bool StepKeyword();
    bool StepCount(bool flushing);
    bool StepPayload();
    std::size_t Available() const { return m_buffer.size() - m_pos; }
    char16_t UnitAt(std::size_t offset) const;
    void Skip(std::size_t bytes);
    void EndSkipRun();
    void DropHeader();
    void Emit(ServerMessage message);

    std::vector<uint8_t> m_buffer;
    std::size_t m_pos = 0;
    State m_state = State::Keyword;
    ServerMessage m_current;
    std::size_t m_digits = 0;
    std::size_t m_headerBytes = 0;
    std::size_t m_skipped = 0;
    std::deque<ServerMessage> m_ready;
};

} // namespace hitched
