#pragma once
// A serial line on a virtual clock with phonesim's phone model at its far end: the echo comes
// at once and the answer after the phone's delay, and reads move the clock exactly as far as a
// real wait would, so time-outs and budgets are checked to the millisecond without sleeping.
#include "makerlibs/kvinquire/serial_link.h"
#include "tools/phonesim/phone_model.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hitched::test {

struct VirtualClock : IClock {
    uint64_t NowMs() override { return now; }
    uint64_t now = 1000; // not 0, so that nothing relies on a zero start
};

class VirtualPhoneLine : public ISerialLink {
public:
    VirtualPhoneLine(VirtualClock& clock, std::vector<std::string>& sent)
        : sent(sent), m_clock(clock) {
        phone.delayMs = 20;
    }

    std::vector<std::string>& sent; // every command written, without its CR
    phonesim::PhoneConfig phone;    // how the phone behaves from its first command on
    // Sees each command before the phone: false when it answered the command itself.
    std::function<bool(VirtualPhoneLine&, const std::string&)> hook;
    bool bytewise = false; // answers trickle in one byte per millisecond
    bool failReads = false;
    bool failWrites = false;

    void Deliver(uint64_t delayMs, const std::string& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            m_due.emplace(m_clock.now + delayMs + (bytewise ? i : 0), bytes[i]);
        }
    }

    bool Write(const char* data, std::size_t size) override {
        for (std::size_t i = 0; i < size && !failWrites; ++i) {
            if (data[i] != '\r') {
                m_command.push_back(data[i]);
                continue;
            }
            sent.push_back(m_command);
            if (!hook || hook(*this, m_command)) {
                if (!m_model) {
                    m_model = std::make_unique<phonesim::PhoneModel>(phone);
                }
                std::string echo, answer;
                m_model->Feed(m_command + "\r", echo, answer);
                Deliver(0, echo);
                Deliver(phone.delayMs, answer);
            }
            m_command.clear();
        }
        return !failWrites;
    }

    // What is due by the time-out, up to the first gap in time: a real line's interval
    // time-out ends a read when the bytes pause.
    int Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) override {
        const uint64_t limit = m_clock.now + timeoutMs;
        if (failReads) {
            return -1;
        }
        if (phone.mode == phonesim::Mode::Flood) { // phonesim streams 64 bytes every 5 ms
            m_clock.now = std::min(limit, m_clock.now + 5);
            std::memset(buffer, 0x5a, std::min<std::size_t>(capacity, 64));
            return static_cast<int>(std::min<std::size_t>(capacity, 64));
        }
        if (m_due.empty() || m_due.begin()->first > limit) {
            m_clock.now = limit;
            return 0;
        }
        m_clock.now = std::max(m_clock.now, m_due.begin()->first);
        std::size_t n = 0;
        for (; n < capacity && !m_due.empty() && m_due.begin()->first <= m_clock.now; ++n) {
            buffer[n] = m_due.begin()->second;
            m_due.erase(m_due.begin());
        }
        return static_cast<int>(n);
    }

    void Purge() override { m_due.erase(m_due.begin(), m_due.upper_bound(m_clock.now)); }

private:
    VirtualClock& m_clock;
    std::multimap<uint64_t, char> m_due; // bytes by the time they arrive, in order
    std::string m_command;
    std::unique_ptr<phonesim::PhoneModel> m_model;
};

} // namespace hitched::test
