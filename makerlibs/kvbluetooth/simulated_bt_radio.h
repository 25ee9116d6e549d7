#pragma once
// The radio of the simulated machine: the scenario file's [Bluetooth] and [BtDeviceN]
// sections, read afresh on every call (a test changes them while the program runs). Pairing
// and unpairing write Paired back, as Windows remembers pairings across restarts.
#include "makerlibs/kvbluetooth/bt_radio.h"
#include "platform/profile_reader.h"
#include "platform/profile_writer.h"

#include <functional>
#include <memory>
#include <optional>

namespace hitched {

class SimulatedBtRadio : public IBtRadio {
public:
    // Wall-clock milliseconds: a pairing's time is written to the file, which other modules
    // of the process read too.
    using WallClock = std::function<int64_t()>;

    SimulatedBtRadio(std::unique_ptr<IProfileReader> reader, std::unique_ptr<IProfileWriter> writer,
                     WallClock now = nullptr);

    bool Present(uint32_t stackMask) override;
    uint32_t StackType() override;
    std::vector<BtRadioDevice> Inquire(Clock::time_point searchStart,
                                       const std::atomic<bool>& stop) override;
    uint32_t Authenticate(uint64_t address, std::u16string_view passkey) override;
    uint32_t Pair(uint64_t address, BtPairingSession& session) override;
    uint32_t EnableSerialService(uint64_t address) override;
    int SerialPortNumber(uint64_t address) override;
    uint32_t Remove(uint64_t address) override;
    int ConnectionState(uint64_t address, int32_t& status) override;
    // The COM port Windows would have made for the device's serial-port service ("COM7"):
    // only a paired device offering the service has one, PortDelayMs after it was paired.
    // Empty when there is none.
    std::u16string SerialPort(uint64_t address);

    // "0019b7a1c2d3", any case, most significant first; nothing for anything else.
    static std::optional<uint64_t> ParseAddress(std::u16string_view text);

private:
    int Int(std::u16string_view section, std::u16string_view key, int fallback);
    std::u16string Text(std::u16string_view section, std::u16string_view key);
    // The device answers a page or an inquiry: not switched off, not out of range.
    bool InRange(std::u16string_view section);
    // The section of the device with this address ("BtDevice2"), or empty.
    std::u16string SectionOf(uint64_t address);

    std::unique_ptr<IProfileReader> m_reader;
    std::unique_ptr<IProfileWriter> m_writer;
    WallClock m_now;
};

} // namespace hitched
