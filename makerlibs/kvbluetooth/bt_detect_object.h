#pragma once
// The library's detection object over a radio: a search on a thread of its own, repeated
// until StopDetect, devices merged by address and handed out as a snapshot taken when the
// search ends. One lock inside: the user-interface thread and the monitor thread both call.
#include "contracts/bluetooth_detect_obj.h"
#include "makerlibs/kvbluetooth/bt_radio.h"

#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hitched {

class BtDetectObject : public CBluetoothDetectObj {
public:
    // How long StopDetect waits for a stuck inquiry before it leaves the search behind.
    static constexpr std::chrono::milliseconds kStopWait{1500};

    // stackMask: the stacks allowed now (bit 1 << type); read at every call.
    BtDetectObject(std::shared_ptr<IBtRadio> radio, const std::atomic<uint32_t>& stackMask);
    ~BtDetectObject() override; // waits for a search left behind: the code must stay loaded

    uint32_t StartDetect() override;
    uint32_t StopDetect() override;
    uint32_t TestState() override;
    uint32_t GetType() override;
    uint32_t GetDeviceCount(int* count) override;
    uint32_t GetDeviceInfo(int index, _KV_BLUETOOTH_DEVICE_INFO_STRUCT** info) override;
    uint32_t RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) override;
    uint32_t AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, char16_t* passkey,
                                uint32_t length) override;
    uint32_t PairDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, CBtPairingPrompt* prompt) override;
    uint32_t AnswerPairing(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, uint32_t accept,
                           const char16_t* passkey, uint32_t length) override;
    uint32_t EnableSerialService(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) override;
    uint32_t GetSerialPort(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, int* port) override;

private:
    struct Search; // shared with its thread, which may outlive a StopDetect that gave up
    struct SearchThread {
        std::thread thread;
        std::shared_ptr<Search> search;
    };
    void EndSearchLocked();
    void JoinFinishedLocked(bool all);

    std::shared_ptr<IBtRadio> m_radio;
    const std::atomic<uint32_t>& m_stackMask;
    std::mutex m_lock;
    std::shared_ptr<Search> m_search; // the running search, if any
    std::vector<SearchThread> m_threads;
    std::vector<_KV_BLUETOOTH_DEVICE_INFO_STRUCT> m_devices; // the last search's snapshot
    // The pairings under way, by address: answered from another thread than the one waiting.
    std::map<uint64_t, std::shared_ptr<BtPairingSession>> m_pairings;
};

// The record of one device as the program reads it.
_KV_BLUETOOTH_DEVICE_INFO_STRUCT MakeBtDeviceInfo(const BtRadioDevice& device);

} // namespace hitched
