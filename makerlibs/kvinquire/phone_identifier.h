#pragma once
// Who is the phone behind a port: manufacturer, model and IMEI by AT+CGMI, AT+CGMM and
// AT+CGSN, asked over the serial port and then, if that fails, over the modem port. Each
// command has a short time-out and the whole identification a fixed budget, so a silent or
// babbling port never holds up a detection pass for long.
#include "makerlibs/kvinquire/serial_link.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hitched {

struct AtTimings {
    uint32_t probeTimeoutMs = 400;    // per attempt of the first command (ATE0)
    uint32_t probeAttempts = 2;       // a port that swallows the first command gets a second
    uint32_t commandTimeoutMs = 1500; // per identification command
    uint32_t budgetMs = 4000;         // everything, all ports together
};

struct PhoneIdentity {
    std::u16string manufacturer;
    std::u16string model;
    std::u16string imei;
};

enum class PortStatus {
    Identified,
    CannotOpen, // the port does not open (absent, or held by another program)
    Silent,     // not a byte in answer
    Garbage,    // bytes that are no AT answer
    Refused,    // speaks AT but gave no usable manufacturer, model or IMEI
    LineFailed, // the port went away during the dialogue
    OutOfTime   // the budget ran out before this port was done
};

const char* PortStatusName(PortStatus status);

struct PortAttempt {
    int port = 0;
    PortStatus status = PortStatus::CannotOpen;
    uint64_t elapsedMs = 0;
    std::string detail; // the command and answer that decided, for the trace
};

struct IdentifyResult {
    bool identified = false;
    int port = 0; // the port that answered
    PhoneIdentity identity;
    std::vector<PortAttempt> attempts;
    uint64_t elapsedMs = 0;
};

// True when a port answered, though not as a phone (noise, or AT without the values): unlike
// silence, that will not change by asking again.
bool AnsweredNotAsPhone(const IdentifyResult& result);

// Opens port n (COMn); null when it cannot be opened.
using LinkOpener = std::function<std::unique_ptr<ISerialLink>(int port)>;

class PhoneIdentifier {
public:
    PhoneIdentifier(LinkOpener opener, IClock& clock, const AtTimings& timings);

    // Tries the ports in order (0 and repeats skipped) until one identifies the phone.
    IdentifyResult Identify(const std::vector<int>& ports);
    // The budget starts when the first port is open, not before: opening a Bluetooth port
    // pages the phone, which takes seconds of its own.
    void StartBudgetAtOpen() { m_budgetAtOpen = true; }

private:
    PortStatus IdentifyOverLink(ISerialLink& link, uint64_t deadline, PhoneIdentity& identity,
                                std::string& detail);

    LinkOpener m_opener;
    IClock& m_clock;
    AtTimings m_timings;
    bool m_budgetAtOpen = false;
};

} // namespace hitched
