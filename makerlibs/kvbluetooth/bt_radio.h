#pragma once
// What KVBluetoothComm.dll asks of a Bluetooth radio: the Windows Bluetooth API on a real
// machine, the scenario file's [Bluetooth] section on the simulated one. Answers are the
// library's result codes, Windows error numbers (below).
#include "contracts/bluetooth_detect_obj.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace hitched {

// Result codes of the library (0 = success), as Windows numbers them.
constexpr uint32_t kBtOk = 0;
constexpr uint32_t kBtNotSupported = 50;   // ERROR_NOT_SUPPORTED: the stack cannot pair so
constexpr uint32_t kBtBadArgument = 87;    // ERROR_INVALID_PARAMETER
constexpr uint32_t kBtTimeout = 258;       // WAIT_TIMEOUT: the phone did not answer in time
constexpr uint32_t kBtNoService = 1060;    // ERROR_SERVICE_DOES_NOT_EXIST: no serial port
constexpr uint32_t kBtBusy = 170;          // ERROR_BUSY: a search already runs
constexpr uint32_t kBtAlreadyPaired = 259; // ERROR_NO_MORE_ITEMS, as Windows answers
constexpr uint32_t kBtNoRadio = 1167;      // ERROR_DEVICE_NOT_CONNECTED
constexpr uint32_t kBtNotFound = 1168;     // ERROR_NOT_FOUND: no such device, or not paired
constexpr uint32_t kBtRefused = 1223;      // ERROR_CANCELLED: the device refused pairing
constexpr uint32_t kBtWrongPasskey = 1244; // ERROR_NOT_AUTHENTICATED

struct BtRadioDevice {
    uint64_t address = 0; // the low six bytes
    std::u16string name;  // empty: the device gave no name
    bool paired = false;
    bool connected = false; // a link is up now, not merely "reachable"
};

// One pairing of one device: what the stack asked the user, and the answer. The stack's side
// (the radio) asks and, on the simulated machine, waits; the program answers from any thread.
class BtPairingSession {
public:
    using Clock = std::chrono::steady_clock;
    using Sink = std::function<void(bool accept, const std::u16string& passkey)>;

    explicit BtPairingSession(CBtPairingPrompt* prompt) : m_prompt(prompt) {}

    // The stack asks the user; a session already refused is not asked again.
    void Ask(const KVBT_PAIRING_REQUEST& request);
    void Answer(bool accept, std::u16string passkey);
    // The Windows radio hands each answer on to the stack; an answer given before is handed
    // on at once.
    void SetSink(Sink sink);
    // Waits for the answer until `due`; false when none came by then.
    bool WaitAnswer(Clock::time_point due, bool& accept, std::u16string& passkey);
    // Sleeps until `due`; true as soon as the user refused.
    bool RefusedBy(Clock::time_point due);

private:
    CBtPairingPrompt* m_prompt;
    std::mutex m_lock;
    std::condition_variable m_answered;
    bool m_hasAnswer = false;
    bool m_accept = false;
    std::u16string m_passkey;
    Sink m_sink;
};

class IBtRadio {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~IBtRadio() = default;
    // A radio is there and its stack is among the allowed ones (stack mask, bit 1 << type).
    virtual bool Present(uint32_t stackMask) = 0;
    virtual uint32_t StackType() = 0;
    // One inquiry: the devices in range and the paired ones. Returns early, with what it has,
    // once `stop` is set; `searchStart` is when the search began.
    virtual std::vector<BtRadioDevice> Inquire(Clock::time_point searchStart,
                                               const std::atomic<bool>& stop) = 0;
    virtual uint32_t Authenticate(uint64_t address, std::u16string_view passkey) = 0;
    // Secure Simple Pairing, blocking; asks the user through the session.
    virtual uint32_t Pair(uint64_t address, BtPairingSession& session) = 0;
    virtual uint32_t EnableSerialService(uint64_t address) = 0;
    // n of the device's outgoing COMn, 0 while there is none.
    virtual int SerialPortNumber(uint64_t address) = 0;
    virtual uint32_t Remove(uint64_t address) = 0;
    // 0 and a status word (1 connected, 0 disconnected, -1 unknown), or nonzero: no answer.
    virtual int ConnectionState(uint64_t address, int32_t& status) = 0;
};

} // namespace hitched
