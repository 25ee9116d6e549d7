#include "detect/bt_pairing_attempt.h"

namespace hitched {
namespace {

constexpr uint32_t kOk = 0;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kNotSupported = 50;
constexpr uint32_t kTimeout = 258;
constexpr uint32_t kNoService = 1060;
constexpr uint32_t kNotReachable = 1167;
constexpr uint32_t kNotFound = 1168;
constexpr uint32_t kCancelled = 1223;
constexpr uint32_t kNotAuthenticated = 1244;

} // namespace

BtFailure PairingFailure(uint32_t code) {
    switch (code) {
    case kOk:
    case KVBT_ALREADY_PAIRED:
        return BtFailure::None;
    case kNotAuthenticated:
        return BtFailure::Passcode;
    case kTimeout:
    case kNotReachable:
    case kNotFound:
        return BtFailure::OutOfRange;
    case kAccessDenied:
    case kCancelled:
        return BtFailure::Refused;
    case kNotSupported:
        return BtFailure::Unavailable;
    case kNoService:
        return BtFailure::NoSerialService;
    default:
        return BtFailure::Other;
    }
}

BtPairingAttempt::BtPairingAttempt(CBluetoothDetectObj& library,
                                   const _KV_BLUETOOTH_DEVICE_INFO_STRUCT& device, bool pair,
                                   Hooks hooks, std::chrono::milliseconds portWait)
    : m_library(library), m_device(device), m_pair(pair), m_hooks(std::move(hooks)),
      m_portWait(portWait) {}

bool BtPairingAttempt::Cancelled() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_cancelled;
}

BtAttemptResult BtPairingAttempt::Run() {
    BtAttemptResult result;
    result.paired = !m_pair;
    if (m_pair) {
        result = Pair();
        if (result.failure != BtFailure::None) {
            return result;
        }
    }
    // A device paired earlier has had its port for long, or has none (a headset): only a
    // fresh pairing waits for one.
    if (m_pair) {
        result = WaitForPort(result);
        if (result.failure != BtFailure::None) {
            return result;
        }
    }
    const bool found = m_hooks.confirm && m_hooks.confirm();
    if (Cancelled()) {
        result.failure = BtFailure::Cancelled;
    } else if (!found) {
        result.failure = BtFailure::NotAPhone;
    }
    return result;
}

BtAttemptResult BtPairingAttempt::Pair() {
    BtAttemptResult result;
    if (Cancelled()) {
        result.failure = BtFailure::Cancelled;
        return result;
    }
    if (m_library.TestState() == 0) {
        result.failure = BtFailure::NoRadio;
        return result;
    }
    result.code = m_library.PairDevice(&m_device, this);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_request.reset();
    }
    result.failure = PairingFailure(result.code);
    result.paired = result.failure == BtFailure::None;
    if (Cancelled()) {
        result.failure = BtFailure::Cancelled;
        return result;
    }
    if (result.failure != BtFailure::None) {
        return result;
    }
    // Windows makes the port only for a service that is switched on.
    const uint32_t service = m_library.EnableSerialService(&m_device);
    if (service == kNoService) {
        result.failure = BtFailure::NoSerialService;
        result.code = service;
    }
    return result;
}

BtAttemptResult BtPairingAttempt::WaitForPort(BtAttemptResult result) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        int port = 0;
        if (m_library.GetSerialPort(&m_device, &port) == kOk && port != 0) {
            return result;
        }
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (waited >= m_portWait) {
            result.failure = BtFailure::PortTimeout;
            result.code = kTimeout;
            return result;
        }
        if (m_hooks.portWait) {
            m_hooks.portWait(static_cast<int>(waited * 100 / m_portWait));
        }
        std::unique_lock<std::mutex> lock(m_lock);
        if (m_wake.wait_for(lock, std::min(kPortPoll, m_portWait - waited),
                            [&] { return m_cancelled; })) {
            result.failure = BtFailure::Cancelled;
            return result;
        }
    }
}

void BtPairingAttempt::OnPairingRequest(const KVBT_PAIRING_REQUEST& request) {
    bool cancelled = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        cancelled = m_cancelled; // a Cancel that came before the question refuses it
        if (!cancelled && request.dwMethod != KVBT_PAIR_JUSTWORKS) {
            m_request = request;
        }
    }
    if (cancelled || request.dwMethod == KVBT_PAIR_JUSTWORKS) {
        // "Just works" has nothing to show or type: the phone's user alone decides.
        m_library.AnswerPairing(&m_device, cancelled ? 0 : 1, nullptr, 0);
        return;
    }
    if (m_hooks.requestArrived) {
        m_hooks.requestArrived();
    }
}

std::optional<KVBT_PAIRING_REQUEST> BtPairingAttempt::PendingRequest() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_request;
}

void BtPairingAttempt::Answer(bool accept, const std::u16string& passkey) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_request) {
            return;
        }
        m_request.reset();
    }
    m_library.AnswerPairing(&m_device, accept ? 1 : 0, passkey.data(),
                            static_cast<uint32_t>(passkey.size()));
}

void BtPairingAttempt::Cancel() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_cancelled = true;
        m_request.reset();
    }
    m_wake.notify_all();
    // Refuses a question still open and ends a pairing that waits for the phone; harmless
    // when no pairing runs (the library answers that it knows of none).
    m_library.AnswerPairing(&m_device, 0, nullptr, 0);
}

} // namespace hitched
