#include "makerlibs/kvinquire/phone_identifier.h"

#include "tests/makerlibs/fake_serial_link.h"

#include <gtest/gtest.h>

#include <map>

using hitched::AtTimings;
using hitched::IdentifyResult;
using hitched::PhoneIdentifier;
using hitched::PortStatus;
using hitched::test::FakeClock;
using hitched::test::FakeLink;
using hitched::test::FakePhone;

namespace {

// Ports of a fake machine: each port number has its line and, optionally, a phone on it.
class FakePorts {
public:
    explicit FakePorts(FakeClock& clock) : m_clock(clock) {}

    FakeLink& Port(int n) {
        auto& slot = m_links[n];
        if (!slot) {
            slot = std::make_unique<FakeLink>(m_clock);
        }
        return *slot;
    }
    void Attach(int n, FakePhone& phone) { phone.Attach(Port(n)); }

    hitched::LinkOpener Opener() {
        return [this](int n) -> std::unique_ptr<hitched::ISerialLink> {
            opened.push_back(n);
            auto it = m_links.find(n);
            if (it == m_links.end()) {
                return nullptr;
            }
            return std::make_unique<Borrowed>(*it->second);
        };
    }

    std::vector<int> opened;

private:
    // The identifier owns what the opener gives; the test keeps the line to look at it.
    class Borrowed : public hitched::ISerialLink {
    public:
        explicit Borrowed(FakeLink& link) : m_link(link) {}
        bool Write(const char* d, std::size_t s) override { return m_link.Write(d, s); }
        int Read(char* b, std::size_t c, uint32_t t) override { return m_link.Read(b, c, t); }
        void Purge() override { m_link.Purge(); }

    private:
        FakeLink& m_link;
    };

    FakeClock& m_clock;
    std::map<int, std::unique_ptr<FakeLink>> m_links;
};

const AtTimings kTimings; // the library's defaults: probe 2 x 400 ms, 1500 ms, 4000 ms

using Commands = std::vector<std::string>;
const Commands kFullDialogue = {"ATE0", "AT+CGMI", "AT+CGMM", "AT+CGSN"};

} // namespace

TEST(PhoneIdentifier, IdentifiesOverTheSerialPortWithFourCommands) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.manufacturer = "+CGMI: \"Ostra\"";
    phone.model = "Model: OS-100";
    phone.imei = "+CGSN: \"351234567890123\"";
    ports.Attach(5, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({5, 6});
    ASSERT_TRUE(result.identified);
    EXPECT_EQ(result.port, 5);
    EXPECT_EQ(result.identity.manufacturer, u"Ostra");
    EXPECT_EQ(result.identity.model, u"OS-100");
    EXPECT_EQ(result.identity.imei, u"351234567890123");
    EXPECT_EQ(ports.Port(5).commands, kFullDialogue);
    EXPECT_EQ(ports.opened, std::vector<int>{5}); // the modem port is not needed
    EXPECT_EQ(result.elapsedMs, 4 * phone.delayMs);
}

TEST(PhoneIdentifier, RefusedOrEmptyAnswerFallsBackToTheTwinCommand) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.refused = {"ATE0", "AT+CGMI"}; // an ERROR to the probe still proves AT
    phone.info["AT+CGMM"] = "+CGMM: \"\"";
    ports.Attach(3, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({3});
    ASSERT_TRUE(result.identified) << result.attempts[0].detail;
    EXPECT_EQ(result.identity.manufacturer, u"Ostra");
    EXPECT_EQ(result.identity.model, u"OS-100");
    EXPECT_EQ(ports.Port(3).commands,
              (Commands{"ATE0", "AT+CGMI", "AT+GMI", "AT+CGMM", "AT+GMM", "AT+CGSN"}));
}

TEST(PhoneIdentifier, PhoneRefusingEverythingIsNotIdentifiedOnAnyPort) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.refused = {"ATE0", "AT+CGMI", "AT+GMI"};
    ports.Attach(7, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({7, 8});
    EXPECT_FALSE(result.identified);
    ASSERT_EQ(result.attempts.size(), 2u);
    EXPECT_EQ(result.attempts[0].status, PortStatus::Refused);
    EXPECT_NE(result.attempts[0].detail.find("AT+GMI"), std::string::npos);
    EXPECT_EQ(result.attempts[1].status, PortStatus::CannotOpen);
    EXPECT_EQ(ports.Port(7).commands, (Commands{"ATE0", "AT+CGMI", "AT+GMI"}));
}

TEST(PhoneIdentifier, SilentSerialPortCostsTwoProbesThenTheModemPortAnswers) {
    FakeClock clock;
    FakePorts ports(clock);
    ports.Port(5); // a line with nothing answering
    FakePhone phone;
    ports.Attach(6, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({5, 6});
    ASSERT_TRUE(result.identified);
    EXPECT_EQ(result.port, 6);
    ASSERT_EQ(result.attempts.size(), 2u);
    EXPECT_EQ(result.attempts[0].status, PortStatus::Silent);
    EXPECT_EQ(result.attempts[0].elapsedMs, 2 * kTimings.probeTimeoutMs);
    EXPECT_EQ(ports.Port(5).commands, (Commands{"ATE0", "ATE0"}));
    EXPECT_EQ(result.elapsedMs, 2 * kTimings.probeTimeoutMs + 4 * phone.delayMs);
}

TEST(PhoneIdentifier, GarbageAndFloodEndThePortWithoutFurtherCommands) {
    FakeClock clock;
    FakePorts ports(clock);
    ports.Port(4).onCommand = [](FakeLink& l, const std::string&) { l.Deliver(3, "\xfe\x01#"); };
    ports.Port(9).Flood(64, 5);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    IdentifyResult result = identifier.Identify({4});
    EXPECT_FALSE(result.identified);
    EXPECT_EQ(result.attempts[0].status, PortStatus::Garbage);
    EXPECT_EQ(result.elapsedMs, kTimings.probeTimeoutMs); // noise is not retried
    EXPECT_EQ(ports.Port(4).commands, Commands{"ATE0"});

    result = identifier.Identify({9});
    EXPECT_EQ(result.attempts[0].status, PortStatus::Garbage);
    EXPECT_LT(result.elapsedMs, kTimings.probeTimeoutMs);
}

TEST(PhoneIdentifier, FirstCommandSwallowedAfterOpeningIsRetried) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.swallowFirst = 1;
    ports.Attach(5, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({5});
    ASSERT_TRUE(result.identified);
    EXPECT_EQ(result.identity.model, u"OS-100");
    EXPECT_EQ(ports.Port(5).commands, (Commands{"ATE0", "ATE0", "AT+CGMI", "AT+CGMM", "AT+CGSN"}));
}

TEST(PhoneIdentifier, SlowPhoneKeepsItsAnswersApart) {
    // 700 ms per answer: the first probe times out, its late OK answers the second, and the
    // second probe's OK must not be taken for the manufacturer.
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.echo = false;
    phone.delayMs = 700;
    ports.Attach(5, phone);
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({5});
    ASSERT_TRUE(result.identified) << result.attempts[0].detail;
    EXPECT_EQ(result.identity.manufacturer, u"Ostra");
    EXPECT_EQ(result.identity.model, u"OS-100");
    EXPECT_EQ(result.identity.imei, u"351234567890123");
    EXPECT_LE(result.elapsedMs, kTimings.budgetMs);
}

TEST(PhoneIdentifier, BudgetBoundsTheWholeIdentification) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    phone.delayMs = 1400; // each answer inside its command's time-out, all of them not
    ports.Attach(5, phone);
    ports.Port(6);
    AtTimings timings;
    timings.probeTimeoutMs = 1500;
    timings.probeAttempts = 1;
    PhoneIdentifier identifier(ports.Opener(), clock, timings);

    const IdentifyResult result = identifier.Identify({5, 6});
    EXPECT_FALSE(result.identified);
    EXPECT_EQ(result.elapsedMs, timings.budgetMs);
    EXPECT_EQ(ports.Port(5).commands, (Commands{"ATE0", "AT+CGMI", "AT+CGMM"}));
    ASSERT_EQ(result.attempts.size(), 2u);
    EXPECT_EQ(result.attempts[0].status, PortStatus::OutOfTime);
    EXPECT_EQ(result.attempts[1].status, PortStatus::OutOfTime);
    EXPECT_TRUE(ports.Port(6).commands.empty());
    EXPECT_EQ(ports.opened, std::vector<int>{5}); // no time left to open the modem port
}

TEST(PhoneIdentifier, SkipsMissingAndRepeatedPortsAndSurvivesALostLine) {
    FakeClock clock;
    FakePorts ports(clock);
    FakePhone phone;
    ports.Attach(5, phone);
    ports.Port(5).failReads = true; // unplugged right after opening
    PhoneIdentifier identifier(ports.Opener(), clock, kTimings);

    const IdentifyResult result = identifier.Identify({0, 5, 5, 0});
    EXPECT_FALSE(result.identified);
    ASSERT_EQ(result.attempts.size(), 1u);
    EXPECT_EQ(result.attempts[0].status, PortStatus::LineFailed);
    EXPECT_EQ(result.elapsedMs, 0u);
    EXPECT_TRUE(identifier.Identify({}).attempts.empty());
}
