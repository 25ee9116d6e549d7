#pragma once
// A scripted serial line on a virtual clock: answers are scheduled at given times, reads move
// the clock forward exactly as far as a real wait would, so time-outs and budgets are checked
// to the millisecond without sleeping.
#include "makerlibs/kvinquire/serial_link.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace hitched::test {

class FakeClock : public IClock {
public:
    uint64_t NowMs() override { return now; }
    uint64_t now = 1000; // not 0, so that nothing relies on a zero start
};

class FakeLink : public ISerialLink {
public:
    explicit FakeLink(FakeClock& clock) : m_clock(clock) {}

    // Called for every complete command written (without its CR).
    std::function<void(FakeLink&, const std::string&)> onCommand;

    // Bytes that arrive `delayMs` after now.
    void Deliver(uint64_t delayMs, const std::string& bytes) {
        Chunk chunk{m_clock.now + delayMs, bytes};
        auto at = std::upper_bound(m_chunks.begin(), m_chunks.end(), chunk,
                                   [](const Chunk& a, const Chunk& b) { return a.at < b.at; });
        m_chunks.insert(at, chunk);
    }

    // From now on, `bytes` bytes of noise every `periodMs`, whatever is sent.
    void Flood(std::size_t bytes, uint64_t periodMs) {
        m_floodBytes = bytes;
        m_floodPeriod = periodMs;
        m_nextFlood = m_clock.now + periodMs;
    }

    bool Write(const char* data, std::size_t size) override {
        if (failWrites) {
            return false;
        }
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == '\r') {
                commands.push_back(m_partial);
                const std::string command = m_partial;
                m_partial.clear();
                if (onCommand) {
                    onCommand(*this, command);
                }
            } else {
                m_partial.push_back(data[i]);
            }
        }
        return true;
    }

    int Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) override {
        ++reads;
        if (failReads) {
            return -1;
        }
        const uint64_t limit = m_clock.now + timeoutMs;
        if (m_floodBytes > 0 && m_nextFlood <= limit &&
            (m_chunks.empty() || m_nextFlood < m_chunks.front().at)) {
            m_clock.now = std::max(m_clock.now, m_nextFlood);
            m_nextFlood += m_floodPeriod;
            const std::size_t n = std::min(capacity, m_floodBytes);
            std::memset(buffer, 0x5a, n);
            return static_cast<int>(n);
        }
        if (m_chunks.empty() || m_chunks.front().at > limit) {
            m_clock.now = limit;
            return 0;
        }
        Chunk& chunk = m_chunks.front();
        m_clock.now = std::max(m_clock.now, chunk.at);
        const std::size_t n = std::min(capacity, chunk.bytes.size());
        std::memcpy(buffer, chunk.bytes.data(), n);
        chunk.bytes.erase(0, n);
        if (chunk.bytes.empty()) {
            m_chunks.erase(m_chunks.begin());
        }
        return static_cast<int>(n);
    }

    void Purge() override {
        ++purges;
        m_chunks.erase(std::remove_if(m_chunks.begin(), m_chunks.end(),
                                      [&](const Chunk& c) { return c.at <= m_clock.now; }),
                       m_chunks.end());
    }

    std::vector<std::string> commands;
    bool failWrites = false;
    bool failReads = false;
    int reads = 0;
    int purges = 0;

private:
    struct Chunk {
        uint64_t at;
        std::string bytes;
    };
    FakeClock& m_clock;
    std::vector<Chunk> m_chunks;
    std::string m_partial;
    std::size_t m_floodBytes = 0;
    uint64_t m_floodPeriod = 0;
    uint64_t m_nextFlood = 0;
};

// A phone for the fake line: answers the identification commands after a delay.
struct FakePhone {
    std::string manufacturer = "Ostra";
    std::string model = "OS-100";
    std::string imei = "351234567890123";
    bool echo = true;
    uint64_t delayMs = 20;
    // Commands answered with ERROR; commands never answered.
    std::vector<std::string> refused;
    std::vector<std::string> ignored;
    int swallowFirst = 0; // how many first commands get no answer at all
    // Information text for a command, instead of the identification value.
    std::map<std::string, std::string> info;

    void Attach(FakeLink& link) {
        link.onCommand = [this](FakeLink& l, const std::string& command) { Answer(l, command); };
    }

    void Answer(FakeLink& link, const std::string& command) {
        if (swallowFirst > 0) {
            --swallowFirst;
            return;
        }
        if (std::find(ignored.begin(), ignored.end(), command) != ignored.end()) {
            return;
        }
        std::string answer = echo ? command + "\r" : "";
        if (command == "ATE0") {
            echo = false;
        }
        const bool refuse = std::find(refused.begin(), refused.end(), command) != refused.end();
        if (refuse) {
            answer += "\r\nERROR\r\n";
        } else if (info.count(command)) {
            answer += "\r\n" + info[command] + "\r\n\r\nOK\r\n";
        } else if (command == "AT+CGMI" || command == "AT+GMI") {
            answer += "\r\n" + manufacturer + "\r\n\r\nOK\r\n";
        } else if (command == "AT+CGMM" || command == "AT+GMM") {
            answer += "\r\n" + model + "\r\n\r\nOK\r\n";
        } else if (command == "AT+CGSN" || command == "AT+GSN") {
            answer += "\r\n" + imei + "\r\n\r\nOK\r\n";
        } else if (command == "ATE0" || command == "AT") {
            answer += "\r\nOK\r\n";
        } else {
            answer += "\r\nERROR\r\n";
        }
        link.Deliver(delayMs, answer);
    }
};

} // namespace hitched::test
