#pragma once
// What the phone dialogue needs from a serial line, so that the dialogue runs unchanged over a
// Windows COM port, a POSIX pty in tests, or a scripted fake.
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>

namespace hitched {

class ISerialLink {
public:
    virtual ~ISerialLink() = default;
    // Sends all bytes; false when the line is gone or the write timed out.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Returns what arrives within timeoutMs: as soon as some bytes came and the line went
    // quiet, or when the time is up. Number of bytes, 0 on time-out, -1 when the line failed.
    virtual int Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) = 0;
    // Throws away what was received and not yet read (late answers to earlier commands).
    virtual void Purge() = 0;
};

} // namespace hitched
