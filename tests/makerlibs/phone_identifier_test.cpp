// The phone dialogue over phonesim's phone model on a virtual line: one row per kind of phone.
#include "makerlibs/kvinquire/at_dialogue.h"
#include "makerlibs/kvinquire/phone_identifier.h"

#include "tests/makerlibs/virtual_phone_line.h"

#include <gtest/gtest.h>

#include <map>

using hitched::PortStatus;
using hitched::phonesim::Mode;
using hitched::test::VirtualClock;
using hitched::test::VirtualPhoneLine;

namespace {

using Commands = std::vector<std::string>;
const Commands kDialogue = {"ATE0", "AT+CGMI", "AT+CGMM", "AT+CGSN"};
const Commands kRetried = {"ATE0", "ATE0", "AT+CGMI", "AT+CGMM", "AT+CGSN"};

// ERROR to the probe, +CME ERROR to AT+CGMI and an empty value to AT+CGMM, instead of the
// phone; other commands reach it.
bool RefusesOrEmpty(VirtualPhoneLine& line, const std::string& command) {
    const std::map<std::string, std::string> instead = {
        {"ATE0", "\r\nERROR\r\n"},
        {"AT+CGMI", "\r\n+CME ERROR: 4\r\n"},
        {"AT+CGMM", "\r\n+CGMM: \"\"\r\n\r\nOK\r\n"}};
    const auto it = instead.find(command);
    if (it != instead.end()) {
        line.Deliver(20, it->second);
    }
    return it == instead.end();
}

// The first command after opening is lost, as with some phones.
bool SwallowsFirst(VirtualPhoneLine& line, const std::string&) {
    return line.sent.size() > 1;
}

// How the line itself behaves; kStale: an answer is waiting in it when the port opens.
enum Line { kPlain, kBytewise, kStale, kFailsReads, kFailsWrites };

struct Row {
    const char* name;
    const char* quirks; // the phone on COM5, as phonesim's settings
    Mode mode;
    bool echo;
    unsigned delayMs;
    Line line;
    bool (*hook)(VirtualPhoneLine&, const std::string&);
    std::vector<int> ports;           // COM6 holds a plain phone; nothing opens as COM7
    std::vector<PortStatus> statuses; // one per port tried
    Commands sent;                    // what COM5 was sent
    uint64_t maxElapsedMs;
    const char* detail = ""; // part of the first port's trace
    int cme = -1;
    uint32_t probeTimeoutMs = 400;
    uint32_t probeAttempts = 2;
};

constexpr PortStatus kIdentified = PortStatus::Identified;

// clang-format off
const Row kRows[] = {
    {"echo on, plain answers", "", Mode::Normal, true, 20, kPlain, nullptr,
     {5, 6}, {kIdentified}, kDialogue, 80},
    {"echo off, tagged and quoted", "prefixed,quoted", Mode::Normal, false, 20, kPlain, nullptr,
     {5}, {kIdentified}, kDialogue, 80},
    {"labelled multi-line answers in LF", "labelled,multiline,lf", Mode::Normal, true, 20, kPlain,
     nullptr, {5}, {kIdentified}, kDialogue, 80},
    {"tag, label and quotes, byte by byte", "prefixed,labelled,quoted", Mode::Normal, true, 20,
     kBytewise, nullptr, {5}, {kIdentified}, kDialogue, 400},
    {"bands before the model, IMEI tagged, noise and a lower-case echo, no blank line",
     "bands,prefixed,imeitag,noise,lowecho,tight", Mode::Normal, true, 20, kPlain, nullptr, {5},
     {kIdentified}, kDialogue, 80},
    {"bare OK to the 27.007 commands, the IMEI with a serial after it, byte by byte",
     "bare,tail,quoted", Mode::Normal, false, 20, kBytewise, nullptr, {5}, {kIdentified},
     {"ATE0", "AT+CGMI", "AT+GMI", "AT+CGMM", "AT+GMM", "AT+CGSN", "AT+GSN"}, 600},
    {"an earlier program's answer still in the port", "", Mode::Normal, true, 20, kStale, nullptr,
     {5}, {kIdentified}, kDialogue, 80},
    {"slow: the late answer to the first probe shifts nothing", "", Mode::Normal, false, 700,
     kPlain, nullptr, {5}, {kIdentified}, kRetried, 4000},
    {"first command swallowed", "", Mode::Normal, true, 20, kPlain, SwallowsFirst,
     {5}, {kIdentified}, kRetried, 1000},
    {"refused or empty: the twin command", "", Mode::Normal, true, 20, kPlain, RefusesOrEmpty,
     {5}, {kIdentified}, {"ATE0", "AT+CGMI", "AT+GMI", "AT+CGMM", "AT+GMM", "AT+CGSN"}, 200},
    {"silent serial port: two probes, then the modem port", "", Mode::Silent, true, 20, kPlain,
     nullptr, {5, 6}, {PortStatus::Silent, kIdentified}, {"ATE0", "ATE0"}, 800 + 80},
    {"random bytes are not retried", "", Mode::Garbage, true, 20, kPlain, nullptr,
     {5}, {PortStatus::Garbage}, {"ATE0"}, 400, "ATE0: garbage"},
    {"a flood is given up before its time-out", "", Mode::Flood, true, 20, kPlain, nullptr,
     {5}, {PortStatus::Garbage}, {"ATE0"}, 399},
    {"ERROR to everything, on every port", "", Mode::Error, true, 20, kPlain, nullptr,
     {5, 7}, {PortStatus::Refused, PortStatus::CannotOpen}, {"ATE0", "AT+CGMI", "AT+GMI"}, 200,
     "AT+GMI: error (ERROR)"},
    {"+CME ERROR keeps its text", "", Mode::Error, true, 20, kPlain, nullptr,
     {5}, {PortStatus::Refused}, {"ATE0", "AT+CGMI", "AT+GMI"}, 200, "(+CME ERROR: 10)", 10},
    {"the budget ends every port", "", Mode::Normal, true, 1400, kPlain, nullptr,
     {5, 6}, {PortStatus::OutOfTime, PortStatus::OutOfTime}, {"ATE0", "AT+CGMI", "AT+CGMM"}, 4000,
     "", -1, 1500, 1},
    {"line lost after opening; no port and repeats skipped", "", Mode::Normal, true, 20,
     kFailsReads, nullptr, {0, 5, 5, 0}, {PortStatus::LineFailed}, {"ATE0"}, 0},
    {"write refused", "", Mode::Normal, true, 20, kFailsWrites, nullptr,
     {5}, {PortStatus::LineFailed}, {}, 0},
};
// clang-format on

} // namespace

TEST(PhoneIdentifier, EveryKindOfPhoneOnTheSerialThenTheModemPort) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        VirtualClock clock;
        Commands sent, others;
        // COM5 holds the row's phone and COM6 a plain one, both naming their maker in UTF-8.
        const auto opener = [&](int n) -> std::unique_ptr<hitched::ISerialLink> {
            if (n != 5 && n != 6) {
                return nullptr;
            }
            auto line = std::make_unique<VirtualPhoneLine>(clock, n == 5 ? sent : others);
            line->phone.manufacturer = "Ostr\xc3\xa0";
            if (n == 5) {
                hitched::phonesim::ParseQuirks(row.quirks, line->phone.quirks);
                line->phone.mode = row.mode;
                line->phone.echo = row.echo;
                line->phone.delayMs = row.delayMs;
                line->phone.cmeError = row.cme;
                line->bytewise = row.line == kBytewise;
                line->failReads = row.line == kFailsReads;
                line->failWrites = row.line == kFailsWrites;
                line->hook = row.hook;
                line->Deliver(0, row.line == kStale ? "\r\nOK\r\n" : "");
            }
            return line;
        };
        hitched::AtTimings timings;
        timings.probeTimeoutMs = row.probeTimeoutMs;
        timings.probeAttempts = row.probeAttempts;
        const auto result = hitched::PhoneIdentifier(opener, clock, timings).Identify(row.ports);
        std::vector<PortStatus> statuses;
        for (const auto& attempt : result.attempts) {
            statuses.push_back(attempt.status);
        }
        EXPECT_EQ(statuses, row.statuses);
        EXPECT_EQ(sent, row.sent);
        EXPECT_LE(result.elapsedMs, row.maxElapsedMs);
        ASSERT_FALSE(result.attempts.empty());
        EXPECT_NE(result.attempts[0].detail.find(row.detail), std::string::npos)
            << result.attempts[0].detail;
        ASSERT_EQ(result.identified, row.statuses.back() == PortStatus::Identified);
        if (result.identified) {
            EXPECT_EQ(result.port, row.ports[row.statuses.size() - 1]);
            EXPECT_EQ(result.identity.manufacturer, u"Ostr\u00e0");
            EXPECT_EQ(result.identity.model, u"OS-100");
            EXPECT_EQ(result.identity.imei, u"351234567890123");
        }
    }
}

TEST(PhoneIdentifier, ABluetoothPortsBudgetStartsOnceItIsOpen) {
    // Opening the port pages the phone for 3.99 s: counted in the budget, no answer fits.
    for (bool atOpen : {false, true}) {
        VirtualClock clock;
        Commands sent;
        const auto opener = [&](int) -> std::unique_ptr<hitched::ISerialLink> {
            clock.now += 3990;
            auto line = std::make_unique<VirtualPhoneLine>(clock, sent);
            line->phone.manufacturer = "Ostra";
            return line;
        };
        hitched::PhoneIdentifier identifier(opener, clock, hitched::AtTimings{});
        if (atOpen) {
            identifier.StartBudgetAtOpen();
        }
        EXPECT_EQ(identifier.Identify({7}).identified, atOpen);
    }
}

TEST(AtDialogue, NothingIsSentOnceTheDeadlineHasPassed) {
    VirtualClock clock;
    std::vector<std::string> sent;
    VirtualPhoneLine line(clock, sent);
    line.phone.mode = Mode::Silent;
    hitched::AtDialogue dialogue(line, clock, clock.now + 300);
    EXPECT_EQ(dialogue.Command("AT", 700).outcome, hitched::AtOutcome::Silent);
    EXPECT_EQ(clock.now, 1300u); // the deadline, before the time-out
    EXPECT_EQ(dialogue.Command("AT", 700).outcome, hitched::AtOutcome::Silent);
    EXPECT_EQ(sent, std::vector<std::string>{"AT"});
}
