// What phonesim answers, fed one byte at a time as a serial line may deliver it.
#include "tools/phonesim/phone_model.h"

#include <gtest/gtest.h>

#include <tuple>

using hitched::phonesim::Mode;

TEST(PhoneModel, AnswersLikeAPhone) {
    const std::string ok = "\r\nOK\r\n";
    // Mode, echo, quirks, +CME error, what the host sends, and what it gets back (echo and
    // answers in order; for garbage, its bounds are checked).
    using Case = std::tuple<Mode, bool, const char*, int, const char*, std::string>;
    // clang-format off
    const Case cases[] = {
        {Mode::Normal, true, "", -1, "AT+CGMI\r", "AT+CGMI\r\r\nOstra\r\n" + ok},
        {Mode::Normal, true, "", -1, "ATE0\rat+cgmm\rATZ\rAT\r",
         "ATE0\r" + ok + "\r\nOS-100\r\n" + ok + ok + "AT\r" + ok},
        {Mode::Normal, false, "", -1, "AT\rAT+GSX\bN\rAT+CPIN?\rhello\r\nAT\r",
         ok + "\r\n351234567890123\r\n" + ok + "\r\nERROR\r\n" + ok},
        {Mode::Normal, false, "prefixed,quoted", -1, "AT+CGSN\r", "\r\n+CGSN: \"351234567890123\"\r\n" + ok},
        {Mode::Normal, false, "labelled,multiline", -1, "AT+CGMM\r",
         "\r\nModel: OS-100\r\n\r\nRev. 1.0 (phonesim)\r\n" + ok},
        {Mode::Normal, false, "lf", -1, "AT+CGMI\r", "\nOstra\n\nOK\n"},
        {Mode::Error, false, "", -1, "AT+CGMI\r", "\r\nERROR\r\n"},
        {Mode::Error, true, "", 10, "AT+CGMM\r", "AT+CGMM\r\r\n+CME ERROR: 10\r\n"},
        {Mode::Silent, true, "", -1, "AT\rAT+CGMI\r", ""},
        {Mode::Garbage, true, "", -1, "AT+CGMI\r", ""},
    };
    // clang-format on
    for (const auto& [mode, echo, quirks, cme, sent, expected] : cases) {
        hitched::phonesim::PhoneConfig config;
        config.mode = mode;
        config.echo = echo;
        config.cmeError = cme;
        hitched::phonesim::ParseQuirks(quirks, config.quirks);
        hitched::phonesim::PhoneModel phone(config);
        std::string received;
        for (const char* byte = sent; *byte != '\0'; ++byte) {
            phone.Feed(std::string(1, *byte), received, received);
        }
        if (mode == Mode::Garbage) { // 8 to 64 random bytes, no echo, no result code
            EXPECT_GE(received.size(), 8u);
            EXPECT_LE(received.size(), 64u);
            EXPECT_EQ(received.find("OK\r\n"), std::string::npos);
        } else {
            EXPECT_EQ(received, expected) << sent;
        }
    }
}
