// phonesim driven over its pseudo-terminal, as the serial code on the other side uses it.
#include "tests/tools/phonesim_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using hitched::test::PhoneSimProcess;
using namespace std::chrono_literals;

namespace {

const std::string kOk = "\r\nOK\r\n";

std::string TempPath(const char* name) {
    return "/tmp/phonesim_test_" + std::to_string(getpid()) + "_" + name;
}

int RunPhoneSim(const std::string& args) {
    const std::string command = hitched::test::PhoneSimPath() + " " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(PhoneSim, AnnouncesItsPtyInFileAndLinkAndRemovesThemWhenStopped) {
    const std::string file = TempPath("path");
    const std::string link = TempPath("com5");
    {
        PhoneSimProcess sim({"--pty-file", file, "--link", link});
        ASSERT_TRUE(sim.Started());
        EXPECT_EQ(sim.PtyPath().rfind("/dev/pts/", 0), 0u) << sim.PtyPath();
        EXPECT_TRUE(isatty(sim.Fd()));

        std::ifstream in(file);
        std::string line;
        std::getline(in, line);
        EXPECT_EQ(line, sim.PtyPath());
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), sim.PtyPath());

        EXPECT_EQ(sim.Stop(), 0);
    }
    struct stat st {};
    EXPECT_NE(lstat(file.c_str(), &st), 0);
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST(PhoneSim, RejectsBadOptions) {
    EXPECT_EQ(RunPhoneSim("--mode loud"), 2);
    EXPECT_EQ(RunPhoneSim("--echo maybe"), 2);
    EXPECT_EQ(RunPhoneSim("--delay -5"), 2);
    EXPECT_EQ(RunPhoneSim("--quirks quoted,shouting"), 2);
    EXPECT_EQ(RunPhoneSim("stray"), 2);
    EXPECT_EQ(RunPhoneSim("--help"), 0);
}

TEST(PhoneSim, EchoesAndIdentifiesThenStopsEchoingAfterAte0) {
    PhoneSimProcess sim(
        {"--manufacturer", "Ostra Mobile", "--model", "K 700", "--imei", "490154203237518"});
    ASSERT_TRUE(sim.Started());
    sim.Send("AT+CGMI\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "AT+CGMI\r\r\nOstra Mobile\r\n" + kOk);
    sim.Send("ATE0\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "ATE0\r" + kOk);
    sim.Send("at+cgmm\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\nK 700\r\n" + kOk);
    sim.Send("AT+CGSN\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\n490154203237518\r\n" + kOk);
    sim.Send("ATZ\r"); // reset restores the configured echo
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), kOk);
    sim.Send("AT\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "AT\r" + kOk);
}

TEST(PhoneSim, AnswersCommandsInOrderAndRejectsUnknownOnes) {
    PhoneSimProcess sim({"--echo", "off"});
    ASSERT_TRUE(sim.Started());
    sim.Send("AT\rAT+GMM\rAT+CPIN?\r");
    EXPECT_EQ(sim.ReadUntil("ERROR\r\n", 2s), kOk + "\r\nOS-100\r\n" + kOk + "\r\nERROR\r\n");
    // Bytes that do not start with AT are ignored: the next answer is only that command's.
    sim.Send("hello\r\n");
    sim.Send("AT\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), kOk);
    // A command split over several writes is one command.
    sim.Send("AT+C");
    EXPECT_EQ(sim.ReadFor(100ms), "");
    sim.Send("GSN\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\n351234567890123\r\n" + kOk);
}

TEST(PhoneSim, DressesAnswersWithTheChosenQuirks) {
    {
        PhoneSimProcess sim({"--echo", "off", "--quirks", "prefixed,quoted"});
        sim.Send("AT+CGSN\r");
        EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\n+CGSN: \"351234567890123\"\r\n" + kOk);
    }
    {
        PhoneSimProcess sim({"--echo", "off", "--quirks", "labelled,multiline"});
        sim.Send("AT+CGMM\r");
        EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\nModel: OS-100\r\n\r\nRev. 1.0 (phonesim)\r\n" + kOk);
    }
    {
        PhoneSimProcess sim({"--echo", "off", "--quirks", "lf"});
        sim.Send("AT+CGMI\r");
        EXPECT_EQ(sim.ReadUntil("\nOK\n", 2s), "\nOstra\n\nOK\n");
    }
}

TEST(PhoneSim, ErrorModeAnswersErrorOrCmeError) {
    {
        PhoneSimProcess sim({"--mode", "error", "--echo", "off"});
        sim.Send("AT+CGMI\r");
        EXPECT_EQ(sim.ReadUntil("ERROR\r\n", 2s), "\r\nERROR\r\n");
    }
    {
        PhoneSimProcess sim({"--mode", "error", "--cme", "10"});
        sim.Send("AT+CGMM\r");
        EXPECT_EQ(sim.ReadUntil("ERROR: 10\r\n", 2s), "AT+CGMM\r\r\n+CME ERROR: 10\r\n");
    }
}

TEST(PhoneSim, SilentGarbageAndFloodModes) {
    {
        PhoneSimProcess sim({"--mode", "silent"});
        sim.Send("AT\rAT+CGMI\r");
        EXPECT_EQ(sim.ReadFor(300ms), "");
    }
    {
        PhoneSimProcess sim({"--mode", "garbage", "--seed", "7"});
        sim.Send("AT+CGMI\r");
        const std::string noise = sim.ReadFor(1000ms);
        EXPECT_GE(noise.size(), 8u);
        EXPECT_LE(noise.size(), 64u);
        EXPECT_EQ(noise.find("OK\r\n"), std::string::npos);
    }
    {
        PhoneSimProcess sim({"--mode", "flood"});
        std::string noise; // unasked
        for (int i = 0; i < 40 && noise.size() < 256; ++i) {
            noise += sim.ReadFor(50ms);
        }
        EXPECT_GE(noise.size(), 256u);
    }
}

TEST(PhoneSim, DelaysTheAnswerButNotTheEcho) {
    PhoneSimProcess sim({"--delay", "1500"});
    ASSERT_TRUE(sim.Started());
    sim.Send("AT\r");
    // The echo comes at once; the answer cannot come before 1.5 s have passed.
    EXPECT_EQ(sim.ReadUntil("AT\r", 1000ms), "AT\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 5s), kOk);
}

TEST(PhoneSim, KeepsAnsweringWhenTheHostClosesAndReopensThePort) {
    PhoneSimProcess sim({"--echo", "off"});
    ASSERT_TRUE(sim.Started());
    sim.Send("AT\r");
    EXPECT_EQ(sim.ReadUntil(kOk, 2s), kOk);
    for (int i = 0; i < 3; ++i) {
        sim.CloseFd();
        std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(sim.Reopen());
        tcflush(sim.Fd(), TCIFLUSH);
        sim.Send("AT+CGMI\r");
        EXPECT_EQ(sim.ReadUntil(kOk, 2s), "\r\nOstra\r\n" + kOk) << "reopen " << i;
    }
}

namespace {

// Sends the command until the answer contains `expected` (the phone reads its stdin lines
// when it gets to them); what the last answer was.
std::string AskUntil(PhoneSimProcess& sim, const std::string& command,
                     const std::string& expected) {
    std::string answer;
    for (int i = 0; i < 30; ++i) {
        sim.Send(command);
        answer = sim.ReadUntil(expected, 100ms);
        if (answer.find(expected) != std::string::npos) {
            break;
        }
    }
    return answer;
}

} // namespace

TEST(PhoneSim, StdinLinesChangeThePhoneWhileItRuns) {
    PhoneSimProcess sim({"--echo", "off"});
    ASSERT_TRUE(sim.Started());
    sim.Control("quirks quoted");
    sim.Control("model OS-200");
    EXPECT_NE(AskUntil(sim, "AT+CGMM\r", "\"OS-200\"").find("\r\n\"OS-200\"\r\n" + kOk),
              std::string::npos);
    sim.Control("mode silent");
    bool quiet = false;
    for (int i = 0; i < 30 && !quiet; ++i) {
        sim.Send("AT\r");
        quiet = sim.ReadFor(200ms).empty();
    }
    ASSERT_TRUE(quiet);
    sim.Send("AT+CGMI\r"); // and it stays silent
    EXPECT_EQ(sim.ReadFor(300ms), "");
    sim.Control("mode normal");
    EXPECT_NE(AskUntil(sim, "AT\r", kOk).find(kOk), std::string::npos);
}

TEST(PhoneSim, EndsOnQuitAndOnStdinEof) {
    {
        PhoneSimProcess sim({});
        ASSERT_TRUE(sim.Started());
        sim.Control("quit");
        EXPECT_EQ(sim.WaitExit(3s), 0);
    }
    {
        PhoneSimProcess sim({});
        ASSERT_TRUE(sim.Started());
        sim.CloseStdin();
        EXPECT_EQ(sim.WaitExit(3s), 0);
    }
    {
        // --no-stdin: EOF on stdin does not end it; SIGTERM does.
        PhoneSimProcess sim({"--no-stdin"});
        ASSERT_TRUE(sim.Started());
        sim.CloseStdin();
        EXPECT_EQ(sim.WaitExit(300ms), -1);
        EXPECT_EQ(sim.Stop(), 0);
    }
}
