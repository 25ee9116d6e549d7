#include "makerlibs/kvinquire/at_dialogue.h"

#include "tests/makerlibs/fake_serial_link.h"

#include <gtest/gtest.h>

using hitched::AtDialogue;
using hitched::AtOutcome;
using hitched::test::FakeClock;
using hitched::test::FakeLink;

namespace {

constexpr uint64_t kFarDeadline = ~uint64_t{0};

} // namespace

TEST(AtDialogue, AnswerArrivingByteByByteIsCollectedUntilItsFinalCode) {
    FakeClock clock;
    FakeLink link(clock);
    link.onCommand = [](FakeLink& l, const std::string&) {
        const std::string answer = "AT+CGMM\r\r\n+CGMM: \"K700\"\r\n\r\nOK\r\n";
        for (std::size_t i = 0; i < answer.size(); ++i) {
            l.Deliver(10 + i, answer.substr(i, 1));
        }
        l.Deliver(500, "\r\nRING\r\n"); // after the answer: not read
    };
    AtDialogue dialogue(link, clock, kFarDeadline);
    const uint64_t start = clock.now;
    const auto exchange = dialogue.Command("AT+CGMM", 1000);
    EXPECT_EQ(exchange.outcome, AtOutcome::Ok);
    EXPECT_EQ(ExtractAtValue(exchange.reply, hitched::AtField::Model), "K700");
    EXPECT_EQ(link.commands, std::vector<std::string>{"AT+CGMM"});
    EXPECT_LT(clock.now - start, 500u);
}

TEST(AtDialogue, SilenceCostsTheTimeOutOrLessWhenTheDeadlineComesFirst) {
    FakeClock clock;
    FakeLink link(clock);
    {
        AtDialogue dialogue(link, clock, kFarDeadline);
        const uint64_t start = clock.now;
        const auto exchange = dialogue.Command("AT", 700);
        EXPECT_EQ(exchange.outcome, AtOutcome::Silent);
        EXPECT_EQ(clock.now - start, 700u);
    }
    {
        AtDialogue dialogue(link, clock, clock.now + 300);
        const uint64_t start = clock.now;
        EXPECT_EQ(dialogue.Command("AT", 700).outcome, AtOutcome::Silent);
        EXPECT_EQ(clock.now - start, 300u);
        // With the deadline gone the command is not even sent.
        link.commands.clear();
        EXPECT_EQ(dialogue.Command("AT", 700).outcome, AtOutcome::Silent);
        EXPECT_TRUE(link.commands.empty());
        EXPECT_EQ(clock.now - start, 300u);
    }
}

TEST(AtDialogue, NoiseWithoutFinalCodeIsGarbageAndAFloodEndsEarly) {
    FakeClock clock;
    FakeLink link(clock);
    link.onCommand = [](FakeLink& l, const std::string&) { l.Deliver(5, "\x13\x88zq\r\x01"); };
    AtDialogue dialogue(link, clock, kFarDeadline);
    uint64_t start = clock.now;
    auto exchange = dialogue.Command("ATE0", 400);
    EXPECT_EQ(exchange.outcome, AtOutcome::Garbage);
    EXPECT_EQ(exchange.bytesReceived, 6u);
    EXPECT_EQ(clock.now - start, 400u);

    FakeLink flooded(clock);
    flooded.Flood(64, 5);
    AtDialogue floodDialogue(flooded, clock, kFarDeadline);
    start = clock.now;
    exchange = floodDialogue.Command("ATE0", 10000);
    EXPECT_EQ(exchange.outcome, AtOutcome::Garbage);
    EXPECT_GT(exchange.bytesReceived, AtDialogue::kMaxAnswerBytes);
    EXPECT_LT(clock.now - start, 1000u); // given up on size, long before the time-out
}

TEST(AtDialogue, ErrorAnswersKeepTheirText) {
    FakeClock clock;
    FakeLink link(clock);
    link.onCommand = [](FakeLink& l, const std::string&) {
        l.Deliver(20, "\r\n+CME ERROR: 10\r\n");
    };
    AtDialogue dialogue(link, clock, kFarDeadline);
    const auto exchange = dialogue.Command("AT+CGSN", 1000);
    EXPECT_EQ(exchange.outcome, AtOutcome::Error);
    EXPECT_EQ(exchange.reply.finalLine, "+CME ERROR: 10");
}

TEST(AtDialogue, LateAnswerToAnEarlierCommandIsPurgedBeforeTheNextOne) {
    FakeClock clock;
    FakeLink link(clock);
    link.Deliver(0, "\r\nOK\r\n"); // arrived after the previous command gave up
    link.onCommand = [](FakeLink& l, const std::string&) { l.Deliver(30, "\r\nERROR\r\n"); };
    AtDialogue dialogue(link, clock, kFarDeadline);
    EXPECT_EQ(dialogue.Command("AT+CGMI", 1000).outcome, AtOutcome::Error);
    EXPECT_EQ(link.purges, 1);
}

TEST(AtDialogue, FailingLineEndsTheExchangeAtOnce) {
    FakeClock clock;
    FakeLink link(clock);
    AtDialogue dialogue(link, clock, kFarDeadline);
    link.failWrites = true;
    const uint64_t start = clock.now;
    EXPECT_EQ(dialogue.Command("AT", 1000).outcome, AtOutcome::LineFailed);
    link.failWrites = false;
    link.failReads = true;
    EXPECT_EQ(dialogue.Command("AT", 1000).outcome, AtOutcome::LineFailed);
    EXPECT_EQ(clock.now, start);
}
