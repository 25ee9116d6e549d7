#include "makerlibs/kvbluetooth/bt_detect_object.h"

#include "contracts/device_text.h"
#include "contracts/utf16_field.h"

#include <algorithm>
#include <condition_variable>
#include <map>

namespace hitched {

struct BtDetectObject::Search {
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::map<uint64_t, BtRadioDevice> found; // by address: one row per device
};

_KV_BLUETOOTH_DEVICE_INFO_STRUCT MakeBtDeviceInfo(const BtRadioDevice& device) {
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT info{};
    info.dwSize = sizeof info;
    info.Address = device.address & 0xFFFFFFFFFFFFull;
    info.fAuthenticated = device.paired ? 1 : 0;
    info.fRemembered = device.paired ? 1 : 0;
    info.fConnected = device.connected ? 1 : 0;
    CopyField(info.szName, DeviceText(device.name));
    return info;
}

BtDetectObject::BtDetectObject(std::shared_ptr<IBtRadio> radio,
                               const std::atomic<uint32_t>& stackMask)
    : m_radio(std::move(radio)), m_stackMask(stackMask) {}

BtDetectObject::~BtDetectObject() {
    std::lock_guard<std::mutex> guard(m_lock);
    EndSearchLocked();
    JoinFinishedLocked(true);
}

// Threads whose search ended are joined; `all` waits for the stuck ones too.
void BtDetectObject::JoinFinishedLocked(bool all) {
    for (auto it = m_threads.begin(); it != m_threads.end();) {
        bool done = all;
        if (!done) {
            std::lock_guard<std::mutex> lock(it->search->lock);
            done = it->search->done;
        }
        if (done) {
            it->thread.join();
            it = m_threads.erase(it);
        } else {
            ++it;
        }
    }
}

uint32_t BtDetectObject::StartDetect() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_search) {
        return kBtBusy;
    }
    if (!m_radio->Present(m_stackMask)) {
        return kBtNoRadio;
    }
    JoinFinishedLocked(false);
    if (!m_threads.empty()) {
        return kBtBusy; // a search left behind still inquires: the radio does one at a time
    }
    auto search = std::make_shared<Search>();
    m_search = search;
    const IBtRadio::Clock::time_point start = IBtRadio::Clock::now();
    std::shared_ptr<IBtRadio> radio = m_radio;
    std::thread thread([search, radio, start] {
        while (!search->stop) {
            std::vector<BtRadioDevice> devices = radio->Inquire(start, search->stop);
            std::lock_guard<std::mutex> lock(search->lock);
            for (BtRadioDevice& d : devices) {
                search->found[d.address] = std::move(d);
            }
        }
        std::lock_guard<std::mutex> lock(search->lock);
        search->done = true;
        search->ended.notify_all();
    });
    m_threads.push_back({std::move(thread), search});
    return kBtOk;
}

uint32_t BtDetectObject::StopDetect() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_search) {
        return kBtOk;
    }
    EndSearchLocked();
    return kBtOk;
}

// Stops the search, waits a bounded time for its inquiry, and snapshots what it found. A
// stuck inquiry is left to finish on its own; its thread only touches the shared state.
void BtDetectObject::EndSearchLocked() {
    if (!m_search) {
        return;
    }
    std::shared_ptr<Search> search = std::move(m_search);
    search->stop = true;
    std::unique_lock<std::mutex> lock(search->lock);
    search->ended.wait_for(lock, kStopWait, [&] { return search->done; });
    m_devices.clear();
    for (const auto& entry : search->found) {
        m_devices.push_back(MakeBtDeviceInfo(entry.second));
    }
}

uint32_t BtDetectObject::TestState() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_radio->Present(m_stackMask) ? 1 : 0;
}

uint32_t BtDetectObject::GetType() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_radio->StackType();
}

uint32_t BtDetectObject::GetDeviceCount(int* count) {
    if (count == nullptr) {
        return kBtBadArgument;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    *count = static_cast<int>(m_devices.size());
    return kBtOk;
}

uint32_t BtDetectObject::GetDeviceInfo(int index, _KV_BLUETOOTH_DEVICE_INFO_STRUCT** info) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (info == nullptr || index < 0 || static_cast<std::size_t>(index) >= m_devices.size()) {
        return kBtBadArgument;
    }
    *info = &m_devices[static_cast<std::size_t>(index)];
    return kBtOk;
}

uint32_t BtDetectObject::RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) {
    if (info == nullptr) {
        return kBtBadArgument;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_radio->Present(m_stackMask)) {
        return kBtNoRadio;
    }
    const uint32_t result = m_radio->Remove(info->Address);
    if (result == kBtOk) {
        info->fAuthenticated = 0;
    }
    return result;
}

uint32_t BtDetectObject::AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info,
                                            char16_t* passkey, uint32_t length) {
    if (info == nullptr || (passkey == nullptr && length != 0)) {
        return kBtBadArgument;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_radio->Present(m_stackMask)) {
        return kBtNoRadio;
    }
    const uint32_t result =
        m_radio->Authenticate(info->Address, std::u16string_view(passkey ? passkey : u"", length));
    if (result == kBtOk || result == kBtAlreadyPaired) {
        info->fAuthenticated = 1;
    }
    return result;
}

uint32_t BtDetectObject::PairDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info,
                                    CBtPairingPrompt* prompt) {
    if (info == nullptr) {
        return kBtBadArgument;
    }
    const uint64_t address = info->Address & 0xFFFFFFFFFFFFull;
    auto session = std::make_shared<BtPairingSession>(prompt);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_radio->Present(m_stackMask)) {
            return kBtNoRadio;
        }
        if (!m_pairings.emplace(address, session).second) {
            return kBtBusy;
        }
    }
    // Not under the object's lock: the pairing takes seconds, and its answer comes meanwhile.
    const uint32_t result = m_radio->Pair(address, *session);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pairings.erase(address);
    }
    if (result == kBtOk || result == kBtAlreadyPaired) {
        info->fAuthenticated = 1;
    }
    return result;
}

uint32_t BtDetectObject::AnswerPairing(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info,
                                       uint32_t accept, const char16_t* passkey, uint32_t length) {
    if (info == nullptr || (passkey == nullptr && length != 0)) {
        return kBtBadArgument;
    }
    std::shared_ptr<BtPairingSession> session;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_pairings.find(info->Address & 0xFFFFFFFFFFFFull);
        if (found == m_pairings.end()) {
            return kBtNotFound;
        }
        session = found->second;
    }
    session->Answer(accept != 0, std::u16string(passkey ? passkey : u"", length));
    return kBtOk;
}

uint32_t BtDetectObject::EnableSerialService(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) {
    if (info == nullptr) {
        return kBtBadArgument;
    }
    if (!m_radio->Present(m_stackMask)) {
        return kBtNoRadio;
    }
    return m_radio->EnableSerialService(info->Address & 0xFFFFFFFFFFFFull);
}

uint32_t BtDetectObject::GetSerialPort(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, int* port) {
    if (info == nullptr || port == nullptr) {
        return kBtBadArgument;
    }
    *port = m_radio->SerialPortNumber(info->Address & 0xFFFFFFFFFFFFull);
    return *port != 0 ? kBtOk : kBtNotFound;
}

} // namespace hitched
