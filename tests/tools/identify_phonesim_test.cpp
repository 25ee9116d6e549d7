// The portable phone dialogue against phonesim over a real pseudo-terminal, in real time.
#include "makerlibs/kvinquire/phone_identifier.h"
#include "tests/tools/phonesim_process.h"
#include "tests/tools/posix_serial_link.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

using hitched::AtTimings;
using hitched::IdentifyResult;
using hitched::PhoneIdentifier;
using hitched::PortStatus;
using hitched::test::PhoneSimProcess;
using hitched::test::PosixSerialLink;

namespace {

// Runs the identification over ports given as phonesim instances (port number -> phone).
IdentifyResult IdentifyOver(const std::map<int, PhoneSimProcess*>& phones,
                            const std::vector<int>& ports) {
    hitched::SteadyClock clock;
    PhoneIdentifier identifier(
        [&](int port) -> std::unique_ptr<hitched::ISerialLink> {
            auto it = phones.find(port);
            if (it == phones.end() || !it->second->Started()) {
                return nullptr;
            }
            return PosixSerialLink::Open(it->second->PtyPath());
        },
        clock, AtTimings());
    return identifier.Identify(ports);
}

void Report(const char* what, const IdentifyResult& result) {
    std::printf("[ figure ] %s: %s in %llu ms\n", what,
                result.identified ? "identified" : "not identified",
                static_cast<unsigned long long>(result.elapsedMs));
}

} // namespace

TEST(IdentifyPhoneSim, EveryAnswerStyleGivesTheSameIdentity) {
    const std::vector<std::vector<std::string>> styles = {
        {},
        {"--echo", "off"},
        {"--quirks", "quoted,prefixed"},
        {"--quirks", "labelled,multiline"},
        {"--quirks", "lf,quoted", "--echo", "off"},
        {"--delay", "250"},
    };
    for (const auto& style : styles) {
        std::vector<std::string> args = {"--manufacturer", "Ostra Mobile", "--model",
                                         "OS-200",         "--imei",       "490154203237518"};
        args.insert(args.end(), style.begin(), style.end());
        PhoneSimProcess sim(args);
        ASSERT_TRUE(sim.Started());
        sim.CloseFd(); // the identifier opens the port itself
        const IdentifyResult result = IdentifyOver({{5, &sim}}, {5});
        std::string name;
        for (const auto& a : style) {
            name += a + " ";
        }
        ASSERT_TRUE(result.identified) << name << result.attempts[0].detail;
        EXPECT_EQ(result.identity.manufacturer, u"Ostra Mobile") << name;
        EXPECT_EQ(result.identity.model, u"OS-200") << name;
        EXPECT_EQ(result.identity.imei, u"490154203237518") << name;
        Report(("phone " + name).c_str(), result);
    }
}

TEST(IdentifyPhoneSim, SilentGarbageFloodAndErrorPortsFailWithinTheBudget) {
    struct Case {
        std::vector<std::string> args;
        PortStatus status;
    };
    const Case cases[] = {{{"--mode", "silent"}, PortStatus::Silent},
                          {{"--mode", "garbage"}, PortStatus::Garbage},
                          {{"--mode", "flood"}, PortStatus::Garbage},
                          {{"--mode", "error", "--cme", "100"}, PortStatus::Refused}};
    for (const Case& c : cases) {
        PhoneSimProcess sim(c.args);
        ASSERT_TRUE(sim.Started());
        sim.CloseFd();
        const IdentifyResult result = IdentifyOver({{5, &sim}}, {5});
        EXPECT_FALSE(result.identified) << c.args[1];
        ASSERT_EQ(result.attempts.size(), 1u);
        EXPECT_EQ(result.attempts[0].status, c.status) << c.args[1];
        // The budget bounds the dialogue; the margin only absorbs a loaded machine.
        EXPECT_LE(result.elapsedMs, AtTimings().budgetMs + 1000) << c.args[1];
        Report(("phone in mode " + c.args[1]).c_str(), result);
    }
}

TEST(IdentifyPhoneSim, SilentSerialPortThenModemPort) {
    PhoneSimProcess silent({"--mode", "silent"});
    PhoneSimProcess modem({"--echo", "off"});
    ASSERT_TRUE(silent.Started() && modem.Started());
    silent.CloseFd();
    modem.CloseFd();
    const IdentifyResult result = IdentifyOver({{5, &silent}, {6, &modem}}, {5, 6});
    ASSERT_TRUE(result.identified);
    EXPECT_EQ(result.port, 6);
    EXPECT_EQ(result.attempts[0].status, PortStatus::Silent);
    Report("silent serial port, phone on the modem port", result);
}

TEST(IdentifyPhoneSim, SlowPhoneAnsweringAfterTheFirstProbe) {
    PhoneSimProcess sim({"--delay", "600", "--echo", "off"});
    ASSERT_TRUE(sim.Started());
    sim.CloseFd();
    const IdentifyResult result = IdentifyOver({{5, &sim}}, {5});
    ASSERT_TRUE(result.identified) << result.attempts[0].detail;
    EXPECT_EQ(result.identity.manufacturer, u"Ostra");
    EXPECT_EQ(result.identity.model, u"OS-100");
    EXPECT_EQ(result.identity.imei, u"351234567890123");
    Report("phone answering after 600 ms", result);
}
