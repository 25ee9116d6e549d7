#include "makerlibs/kvbluetooth/bt_radio.h"

namespace hitched {

void BtPairingSession::Ask(const KVBT_PAIRING_REQUEST& request) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_hasAnswer && !m_accept) {
            return;
        }
    }
    if (m_prompt != nullptr) {
        m_prompt->OnPairingRequest(request); // outside the lock: it may answer at once
    }
}

void BtPairingSession::Answer(bool accept, std::u16string passkey) {
    Sink sink;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_hasAnswer = true;
        m_accept = accept;
        m_passkey = passkey;
        sink = m_sink;
    }
    m_answered.notify_all();
    if (sink) {
        sink(accept, passkey);
    }
}

void BtPairingSession::SetSink(Sink sink) {
    bool answered = false;
    bool accept = false;
    std::u16string passkey;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_sink = sink;
        answered = m_hasAnswer;
        accept = m_accept;
        passkey = m_passkey;
    }
    if (answered && sink) {
        sink(accept, passkey);
    }
}

bool BtPairingSession::WaitAnswer(Clock::time_point due, bool& accept, std::u16string& passkey) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_answered.wait_until(lock, due, [&] { return m_hasAnswer; })) {
        return false;
    }
    accept = m_accept;
    passkey = m_passkey;
    return true;
}

bool BtPairingSession::RefusedBy(Clock::time_point due) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_answered.wait_until(lock, due, [&] { return m_hasAnswer && !m_accept; });
}

} // namespace hitched
