// The Bluetooth library's detection object over a radio that a test controls: one row per
// address, a snapshot when the search ends, StopDetect bounded even when the radio hangs.
#include "makerlibs/kvbluetooth/bt_connection_rule.h"
#include "makerlibs/kvbluetooth/bt_detect_object.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using namespace hitched;

class ScriptedRadio : public IBtRadio {
public:
    bool present = true;
    std::vector<std::vector<BtRadioDevice>> inquiries; // one per Inquire call, the last repeats
    bool hang = false;                                 // Inquire waits for Release()
    std::atomic<int> entered{0};                       // Inquire calls begun

    bool Present(uint32_t mask) override { return present && (mask & 1u) != 0; }
    uint32_t StackType() override { return 0; }
    std::vector<BtRadioDevice> Inquire(Clock::time_point, const std::atomic<bool>&) override {
        ++entered;
        std::unique_lock<std::mutex> lock(m_lock);
        m_released.wait(lock, [&] { return !hang; });
        const std::size_t i = std::min(m_calls++, inquiries.size() - 1);
        return inquiries.empty() ? std::vector<BtRadioDevice>{} : inquiries[i];
    }
    uint32_t Authenticate(uint64_t, std::u16string_view passkey) override {
        return passkey == u"2468" ? kBtOk : kBtWrongPasskey;
    }
    uint32_t Pair(uint64_t, BtPairingSession&) override { return kBtOk; }
    uint32_t EnableSerialService(uint64_t) override { return kBtOk; }
    int SerialPortNumber(uint64_t) override { return 0; }
    uint32_t Remove(uint64_t) override { return kBtOk; }
    int ConnectionState(uint64_t, int32_t& status) override {
        status = 1;
        return 0;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_lock);
        hang = false;
        m_released.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_released;
    std::size_t m_calls = 0;
};

BtRadioDevice Device(uint64_t address, const char16_t* name, bool paired = false) {
    BtRadioDevice d;
    d.address = address;
    d.name = name;
    d.paired = paired;
    return d;
}

std::vector<_KV_BLUETOOTH_DEVICE_INFO_STRUCT> Listed(BtDetectObject& object) {
    int count = -1;
    EXPECT_EQ(object.GetDeviceCount(&count), 0u);
    std::vector<_KV_BLUETOOTH_DEVICE_INFO_STRUCT> rows;
    for (int i = 0; i < count; ++i) {
        _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info = nullptr;
        EXPECT_EQ(object.GetDeviceInfo(i, &info), 0u);
        rows.push_back(*info);
    }
    return rows;
}

TEST(BtDetectObject, RepeatedInquiriesGiveOneRowPerAddressWithTheLatestAnswer) {
    auto radio = std::make_shared<ScriptedRadio>();
    radio->inquiries = {{Device(0x0019b7a1c2d3, u""), Device(0x112233445566, u"Ostra B1")},
                        {Device(0x0019b7a1c2d3, u"Late name", true)}};
    std::atomic<uint32_t> mask{15};
    BtDetectObject object(radio, mask);
    ASSERT_EQ(object.StartDetect(), 0u);
    EXPECT_EQ(object.StartDetect(), kBtBusy) << "one search at a time";
    while (radio->entered < 3) { // both scripted inquiries answered
        std::this_thread::yield();
    }
    EXPECT_EQ(object.StopDetect(), 0u);
    const auto rows = Listed(object);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Address, 0x0019b7a1c2d3u);
    EXPECT_EQ(std::u16string(rows[0].szName), u"Late name");
    EXPECT_EQ(rows[0].fAuthenticated, 1u);
    EXPECT_EQ(std::u16string(rows[1].szName), u"Ostra B1");
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info = nullptr;
    EXPECT_EQ(object.GetDeviceInfo(2, &info), kBtBadArgument);
    EXPECT_EQ(object.GetDeviceInfo(-1, &info), kBtBadArgument);
}

TEST(BtDetectObject, StopDetectReturnsWhileTheRadioHangsAndNothingIsLostAtTheEnd) {
    auto radio = std::make_shared<ScriptedRadio>();
    radio->inquiries = {{Device(1, u"A")}};
    radio->hang = true;
    std::atomic<uint32_t> mask{15};
    auto object = std::make_unique<BtDetectObject>(radio, mask);
    ASSERT_EQ(object->StartDetect(), 0u);
    while (radio->entered == 0) {
        std::this_thread::yield();
    }
    const auto t0 = std::chrono::steady_clock::now();
    object->StopDetect();
    const auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, BtDetectObject::kStopWait) << "it did wait for the inquiry";
    EXPECT_LT(waited, BtDetectObject::kStopWait + std::chrono::seconds(3)) << "never a hang";
    EXPECT_TRUE(Listed(*object).empty());
    // The radio does one inquiry at a time: busy until the one left behind has ended.
    EXPECT_EQ(object->StartDetect(), kBtBusy) << "a new search while the old one still hangs";
    radio->Release();
    bool started = false;
    for (int i = 0; i < 200 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        started = object->StartDetect() == kBtOk;
    }
    EXPECT_TRUE(started) << "a new search once it has ended";
    object.reset(); // waits for the new search, then the radio may go
}

TEST(BtDetectObject, WithoutARadioOrItsStackNothingStartsOrPairs) {
    auto radio = std::make_shared<ScriptedRadio>();
    std::atomic<uint32_t> mask{15};
    BtDetectObject object(radio, mask);
    EXPECT_EQ(object.TestState(), 1u);
    mask = 2; // the radio's stack (type 0) left out
    EXPECT_EQ(object.TestState(), 0u);
    EXPECT_EQ(object.StartDetect(), kBtNoRadio);
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT info = MakeBtDeviceInfo(Device(7, u"P"));
    char16_t key[] = u"2468";
    EXPECT_EQ(object.AuthenticateDevice(&info, key, 4), kBtNoRadio);
    mask = 15;
    char16_t wrong[] = u"1357";
    EXPECT_EQ(object.AuthenticateDevice(&info, wrong, 4), kBtWrongPasskey);
    EXPECT_EQ(info.fAuthenticated, 0u);
    EXPECT_EQ(object.AuthenticateDevice(&info, key, 4), 0u);
    EXPECT_EQ(info.fAuthenticated, 1u);
    EXPECT_EQ(object.AuthenticateDevice(nullptr, key, 4), kBtBadArgument);
    EXPECT_EQ(object.GetDeviceCount(nullptr), kBtBadArgument);
}

TEST(BtDetectObject, RecordsCarrySixAddressBytesAndACleanCutName) {
    // 250 units: cleaned as any device text, then cut to the 247 of the field, not in a pair.
    const std::u16string name = u"\u202e\ufeff" + std::u16string(246, u'n') + u"\U0001F4F1";
    const auto info = MakeBtDeviceInfo(Device(0xFFFF0019b7a1c2d3, name.c_str()));
    EXPECT_EQ(info.Address, 0x0019b7a1c2d3u);
    EXPECT_EQ(info.dwSize, 560u);
    EXPECT_EQ(std::u16string(info.szName), std::u16string(246, u'n'));
}

// What the radio knows of a device and whether it answers a page: the status, and whether the
// device was paged for it (seconds of radio time).
TEST(BtConnectionRule, APairedPhoneWithoutALinkCountsWhileItAnswersAPage) {
    const int32_t C = KVBT_DEV_STATUS_CONNECTED, D = KVBT_DEV_STATUS_DISCONNECTED,
                  U = KVBT_DEV_STATUS_UNKNOWN;
    const struct {
        const char* what;
        BtDeviceLink link; // known, paired, link open
        bool answers;
        int32_t status;
        bool paged;
    } cases[] = {
        {"idle paired phone in range", {true, true, false}, true, C, true},
        {"paired phone switched off or out of range", {true, true, false}, false, U, true},
        {"a program holds a link: no page", {true, true, true}, false, C, false},
        {"not paired", {true, false, false}, true, D, false},
        {"unknown to the radio", {false, false, false}, true, D, false},
    };
    for (const auto& c : cases) {
        bool paged = false;
        const int32_t status = BtConnectionStatus(c.link, [&] { return paged = true, c.answers; });
        EXPECT_EQ(std::make_pair(status, paged), std::make_pair(c.status, c.paged)) << c.what;
    }
}

} // namespace
