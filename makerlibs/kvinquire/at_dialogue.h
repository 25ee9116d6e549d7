#pragma once
// One AT command at a time over a serial line: send, then collect the answer until its final
// result code, a time-out or a hard deadline. A silent line costs the time-out; a line that
// only produces noise is given up as soon as the noise outgrows any sensible answer.
#include "makerlibs/kvinquire/at_reply.h"
#include "makerlibs/kvinquire/serial_link.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hitched {

enum class AtOutcome {
    Ok,        // final result OK
    Error,     // an error result code: the line speaks AT but refused the command
    Silent,    // not one byte within the time
    Garbage,   // bytes, but no final result code within the time, or far too many bytes
    LineFailed // the write or a read failed: the port is gone
};

struct AtExchange {
    AtOutcome outcome = AtOutcome::Silent;
    AtReply reply;
    std::size_t bytesReceived = 0;
};

const char* AtOutcomeName(AtOutcome outcome);

class AtDialogue {
public:
    // No exchange runs past deadlineMs (a time of the clock), whatever its own time-out says.
    AtDialogue(ISerialLink& link, IClock& clock, uint64_t deadlineMs);

    // Sends "command\r" and waits at most timeoutMs for the complete answer.
    AtExchange Command(std::string_view command, uint32_t timeoutMs);

    // Reads and throws away what arrives within quietMs (never past the deadline).
    void Drain(uint32_t quietMs);

    // Longest answer accepted: identification answers are a few hundred bytes at most.
    static constexpr std::size_t kMaxAnswerBytes = 4096;

private:
    ISerialLink& m_link;
    IClock& m_clock;
    uint64_t m_deadlineMs;
};

} // namespace hitched
