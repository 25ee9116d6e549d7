#include "makerlibs/kvinquire/at_dialogue.h"

#include <algorithm>

namespace hitched {

const char* AtOutcomeName(AtOutcome outcome) {
    switch (outcome) {
    case AtOutcome::Ok:
        return "OK";
    case AtOutcome::Error:
        return "error";
    case AtOutcome::Silent:
        return "silent";
    case AtOutcome::Garbage:
        return "garbage";
    case AtOutcome::LineFailed:
        return "line failed";
    }
    return "?";
}

AtDialogue::AtDialogue(ISerialLink& link, IClock& clock, uint64_t deadlineMs)
    : m_link(link), m_clock(clock), m_deadlineMs(deadlineMs) {}

void AtDialogue::Drain(uint32_t quietMs) {
    const uint64_t end = std::min<uint64_t>(m_clock.NowMs() + quietMs, m_deadlineMs);
    char buffer[512];
    for (uint64_t now = m_clock.NowMs(); now < end; now = m_clock.NowMs()) {
        if (m_link.Read(buffer, sizeof buffer, static_cast<uint32_t>(end - now)) < 0) {
            return;
        }
    }
    m_link.Purge();
}

AtExchange AtDialogue::Command(std::string_view command, uint32_t timeoutMs) {
    AtExchange exchange;
    const uint64_t start = m_clock.NowMs();
    const uint64_t deadline = std::min<uint64_t>(start + timeoutMs, m_deadlineMs);
    if (start >= deadline) {
        return exchange; // no time left: as good as silent
    }

    m_link.Purge();
    const std::string line = std::string(command) + "\r";
    if (!m_link.Write(line.data(), line.size())) {
        exchange.outcome = AtOutcome::LineFailed;
        return exchange;
    }

    std::string received;
    char buffer[512];
    for (;;) {
        const uint64_t now = m_clock.NowMs();
        if (now >= deadline) {
            break;
        }
        const int n = m_link.Read(buffer, sizeof buffer, static_cast<uint32_t>(deadline - now));
        if (n < 0) {
            exchange.outcome = AtOutcome::LineFailed;
            exchange.bytesReceived = received.size();
            return exchange;
        }
        if (n == 0) {
            continue; // the clock decides when the time is up
        }
        received.append(buffer, static_cast<std::size_t>(n));
        exchange.reply = ParseAtReply(received, command);
        if (exchange.reply.final != AtFinal::None) {
            exchange.outcome =
                exchange.reply.final == AtFinal::Ok ? AtOutcome::Ok : AtOutcome::Error;
            exchange.bytesReceived = received.size();
            return exchange;
        }
        if (received.size() > kMaxAnswerBytes) {
            break;
        }
    }
    exchange.bytesReceived = received.size();
    exchange.outcome = received.empty() ? AtOutcome::Silent : AtOutcome::Garbage;
    return exchange;
}

} // namespace hitched
