#pragma once
// What KVBluetoothComm.dll asks of a Bluetooth radio: the Windows Bluetooth API on a real
// machine, the scenario file's [Bluetooth] section on the simulated one. Answers are the
// library's result codes, Windows error numbers (below).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace hitched {

// Result codes of the library (0 = success), as Windows numbers them.
constexpr uint32_t kBtOk = 0;
constexpr uint32_t kBtBadArgument = 87;    // ERROR_INVALID_PARAMETER
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
    virtual uint32_t Remove(uint64_t address) = 0;
    // 0 and a status word (1 connected, 0 disconnected, -1 unknown), or nonzero: no answer.
    virtual int ConnectionState(uint64_t address, int32_t& status) = 0;
};

} // namespace hitched
