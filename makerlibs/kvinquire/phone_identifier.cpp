#include "makerlibs/kvinquire/phone_identifier.h"

#include "makerlibs/kvinquire/at_dialogue.h"

#include <algorithm>

namespace hitched {
namespace {

struct FieldQuery {
    AtField field;
    const char* command; // the 27.007 command
    const char* twin;    // its V.250 twin, for phones that refuse the first
};

constexpr FieldQuery kQueries[] = {{AtField::Manufacturer, "AT+CGMI", "AT+GMI"},
                                   {AtField::Model, "AT+CGMM", "AT+GMM"},
                                   {AtField::Imei, "AT+CGSN", "AT+GSN"}};

PortStatus StatusOf(AtOutcome outcome, bool outOfTime) {
    switch (outcome) {
    case AtOutcome::Ok:
        return PortStatus::Identified;
    case AtOutcome::Error:
        return PortStatus::Refused;
    case AtOutcome::Silent:
        return outOfTime ? PortStatus::OutOfTime : PortStatus::Silent;
    case AtOutcome::Garbage:
        return PortStatus::Garbage;
    case AtOutcome::LineFailed:
        return PortStatus::LineFailed;
    }
    return PortStatus::LineFailed;
}

std::string Describe(const char* command, const AtExchange& exchange) {
    std::string text = std::string(command) + ": " + AtOutcomeName(exchange.outcome);
    if (!exchange.reply.finalLine.empty() && exchange.outcome == AtOutcome::Error) {
        text += " (" + exchange.reply.finalLine + ")";
    }
    if (exchange.outcome == AtOutcome::Garbage) {
        text += " (" + std::to_string(exchange.bytesReceived) + " bytes)";
    }
    return text;
}

} // namespace

const char* PortStatusName(PortStatus status) {
    switch (status) {
    case PortStatus::Identified:
        return "identified";
    case PortStatus::CannotOpen:
        return "cannot open";
    case PortStatus::Silent:
        return "silent";
    case PortStatus::Garbage:
        return "no AT answer";
    case PortStatus::Refused:
        return "refused";
    case PortStatus::LineFailed:
        return "line failed";
    case PortStatus::OutOfTime:
        return "out of time";
    }
    return "?";
}

bool AnsweredNotAsPhone(const IdentifyResult& result) {
    return std::any_of(result.attempts.begin(), result.attempts.end(), [](const PortAttempt& a) {
        return a.status == PortStatus::Garbage || a.status == PortStatus::Refused;
    });
}

PhoneIdentifier::PhoneIdentifier(LinkOpener opener, IClock& clock, const AtTimings& timings)
    : m_opener(std::move(opener)), m_clock(clock), m_timings(timings) {}

IdentifyResult PhoneIdentifier::Identify(const std::vector<int>& ports) {
    IdentifyResult result;
    const uint64_t start = m_clock.NowMs();
    uint64_t deadline = start + m_timings.budgetMs;
    bool budgetStarted = !m_budgetAtOpen;
    std::vector<int> tried;
    for (int port : ports) {
        if (port == 0 || std::find(tried.begin(), tried.end(), port) != tried.end()) {
            continue;
        }
        tried.push_back(port);
        PortAttempt attempt;
        attempt.port = port;
        const uint64_t portStart = m_clock.NowMs();
        if (portStart >= deadline) {
            attempt.status = PortStatus::OutOfTime;
        } else if (std::unique_ptr<ISerialLink> link = m_opener(port)) {
            if (!budgetStarted) {
                budgetStarted = true;
                deadline = m_clock.NowMs() + m_timings.budgetMs;
            }
            PhoneIdentity identity;
            attempt.status = IdentifyOverLink(*link, deadline, identity, attempt.detail);
            if (attempt.status == PortStatus::Identified) {
                result.identified = true;
                result.port = port;
                result.identity = std::move(identity);
            }
        }
        attempt.elapsedMs = m_clock.NowMs() - portStart;
        result.attempts.push_back(attempt);
        if (result.identified) {
            break;
        }
    }
    result.elapsedMs = m_clock.NowMs() - start;
    return result;
}

PortStatus PhoneIdentifier::IdentifyOverLink(ISerialLink& link, uint64_t deadline,
                                             PhoneIdentity& identity, std::string& detail) {
    AtDialogue dialogue(link, m_clock, deadline);
    auto outOfTime = [&] { return m_clock.NowMs() >= deadline; };

    // The probe switches the echo off; an ERROR still proves the port speaks AT.
    AtExchange probe;
    uint32_t attempts = 0;
    while (attempts < std::max<uint32_t>(1, m_timings.probeAttempts)) {
        ++attempts;
        probe = dialogue.Command("ATE0", m_timings.probeTimeoutMs);
        if (probe.outcome != AtOutcome::Silent || outOfTime()) {
            break;
        }
    }
    detail = Describe("ATE0", probe);
    if (probe.outcome != AtOutcome::Ok && probe.outcome != AtOutcome::Error) {
        return StatusOf(probe.outcome, outOfTime());
    }
    if (attempts > 1) {
        // The answer may have been the late one to the first attempt; then the answer to the
        // second is still on its way and would be taken for the manufacturer. Let it pass.
        dialogue.Drain(m_timings.probeTimeoutMs + m_timings.probeTimeoutMs / 4);
    }

    std::u16string* targets[] = {&identity.manufacturer, &identity.model, &identity.imei};
    for (std::size_t i = 0; i < std::size(kQueries); ++i) {
        const FieldQuery& query = kQueries[i];
        std::u16string value;
        for (const char* command : {query.command, query.twin}) {
            const AtExchange exchange = dialogue.Command(command, m_timings.commandTimeoutMs);
            detail = Describe(command, exchange);
            if (exchange.outcome == AtOutcome::Ok) {
                // A value of nothing but invisible characters is no value either.
                value = AtTextToUtf16(ExtractAtValue(exchange.reply, query.field));
                if (!value.empty()) {
                    break;
                }
                detail += " (no value)";
            } else if (exchange.outcome != AtOutcome::Error) {
                return StatusOf(exchange.outcome, outOfTime());
            }
        }
        if (value.empty()) {
            return PortStatus::Refused;
        }
        *targets[i] = std::move(value);
    }
    detail.clear();
    return PortStatus::Identified;
}

} // namespace hitched
