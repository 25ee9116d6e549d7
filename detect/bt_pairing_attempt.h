#pragma once
// One attempt to make a Bluetooth phone usable, run on a worker thread: pair it (Secure Simple
// Pairing, the user answering from the user-interface thread), switch its serial-port service
// on, wait for Windows to make its COM port, then the confirming detection pass. Each way it
// can fail has its own outcome, so the user is told what went wrong.
#include "contracts/bluetooth_detect_obj.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace hitched {

enum class BtFailure {
    None,
    Cancelled,       // the user ended it: nothing to tell
    Passcode,        // a wrong PIN or passkey
    NoSerialService, // the phone offers no serial port over Bluetooth
    OutOfRange,      // the phone did not answer (off, out of range, not reachable)
    Refused,         // the phone's user or the phone refused
    PortTimeout,     // paired, but no COM port came
    NoRadio,
    Unavailable, // the stack cannot pair from here
    NotAPhone,   // no supported phone answered over the port
    Other
};

// What a pairing's Windows error code means for the user.
BtFailure PairingFailure(uint32_t code);

struct BtAttemptResult {
    BtFailure failure = BtFailure::None;
    uint32_t code = 0;   // the library's answer to the step that failed
    bool paired = false; // the device is paired now, whatever came after
};

class BtPairingAttempt : public CBtPairingPrompt {
public:
    struct Hooks {
        std::function<void()> requestArrived;      // a question for the user: PendingRequest
        std::function<void(int percent)> portWait; // progress of the wait for the port
        std::function<bool()> confirm;             // the confirming pass: a phone answered
    };
    static constexpr std::chrono::milliseconds kPortWait{30000};
    static constexpr std::chrono::milliseconds kPortPoll{250};

    // pair: false for a device paired already, which only needs its port and the pass.
    BtPairingAttempt(CBluetoothDetectObj& library, const _KV_BLUETOOTH_DEVICE_INFO_STRUCT& device,
                     bool pair, Hooks hooks, std::chrono::milliseconds portWait = kPortWait);

    BtAttemptResult Run(); // on the worker

    // From the user-interface thread.
    std::optional<KVBT_PAIRING_REQUEST> PendingRequest();
    void Answer(bool accept, const std::u16string& passkey);
    void Cancel(); // refuses a pairing under way and ends any wait

    void OnPairingRequest(const KVBT_PAIRING_REQUEST& request) override;

private:
    BtAttemptResult Pair();
    BtAttemptResult WaitForPort(BtAttemptResult result);
    bool Cancelled();

    CBluetoothDetectObj& m_library;
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT m_device;
    bool m_pair;
    Hooks m_hooks;
    std::chrono::milliseconds m_portWait;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_cancelled = false;
    std::optional<KVBT_PAIRING_REQUEST> m_request;
};

} // namespace hitched
