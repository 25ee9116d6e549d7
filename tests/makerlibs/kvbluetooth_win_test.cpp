// KVBluetoothComm.dll as the program uses it (LoadLibraryW, the four functions by name), over
// the simulated radio of a scenario file and, without one, over Wine's absent Bluetooth.
#include "contracts/bluetooth_detect_obj.h"

#include "../app/temp_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The library loaded afresh for each test, so that its choice of radio (made once per load)
// follows the test's environment.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::wstring& scenario) {
        ::SetEnvironmentVariableW(L"HITCHED_SIMULATION",
                                  scenario.empty() ? nullptr : scenario.c_str());
        m_module = ::LoadLibraryW(L"KVBluetoothComm.dll");
        if (m_module == nullptr) {
            return;
        }
        create = Get<PFN_CreateBluetoothDetectionObject>(kCreateBluetoothDetectionObjectName);
        destroy = Get<PFN_DestroyBluetoothDetectionObject>(kDestroyBluetoothDetectionObjectName);
        isConnected = Get<PFN_KVBTIsDeviceConnected>(kKVBTIsDeviceConnectedName);
        setStack = Get<PFN_KVBTSetAvailableBTStack>(kKVBTSetAvailableBTStackName);
        if (create && create(&object) != 0) {
            object = nullptr;
        }
    }
    ~LoadedLibrary() {
        if (object) {
            destroy(object);
        }
        if (m_module) {
            ::FreeLibrary(m_module);
        }
        ::SetEnvironmentVariableW(L"HITCHED_SIMULATION", nullptr);
    }
    bool Ready() const { return object && destroy && isConnected && setStack; }

    // A whole search: start, wait, stop; the names found, in address order.
    std::vector<std::u16string> Search(DWORD waitMs) {
        std::vector<std::u16string> names;
        if (object->StartDetect() != 0) {
            return names;
        }
        ::Sleep(waitMs);
        object->StopDetect();
        int count = 0;
        object->GetDeviceCount(&count);
        for (int i = 0; i < count; ++i) {
            _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info = nullptr;
            object->GetDeviceInfo(i, &info);
            names.push_back(info->szName);
        }
        return names;
    }
    _KV_BLUETOOTH_DEVICE_INFO_STRUCT Record(uint64_t address) {
        _KV_BLUETOOTH_DEVICE_INFO_STRUCT info{};
        info.dwSize = sizeof info;
        info.Address = address;
        return info;
    }
    std::pair<int, int32_t> Connection(uint64_t address) {
        int32_t status = 0; // the stack type shifted by itself, as the program passes it
        const int answered = isConnected(&address, &status);
        return {answered, status};
    }

    CBluetoothDetectObj* object = nullptr;
    PFN_CreateBluetoothDetectionObject create = nullptr;
    PFN_DestroyBluetoothDetectionObject destroy = nullptr;
    PFN_KVBTIsDeviceConnected isConnected = nullptr;
    PFN_KVBTSetAvailableBTStack setStack = nullptr;

private:
    template <typename Fn> Fn Get(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }
    HMODULE m_module = nullptr;
};

constexpr uint64_t kPhone = 0x0019b7a1c2d3;
constexpr uint64_t kNameless = 0x0019b7a1c2d4;
constexpr uint64_t kPairedHidden = 0x0019b7a1c2d6;
constexpr uint64_t kStubborn = 0x0019b7a1c2d7;

const char kScenario[] = "[Bluetooth]\r\nRadio=1\r\nStack=0\r\nDevices=5\r\nInquiryMs=300\r\n"
                         "[BtDevice1]\r\nAddress=0019B7A1C2D3\r\nName=Ostra B1\r\nPasskey=2468\r\n"
                         "Connection=connected\r\nSerialPort=COM7\r\n"
                         "[BtDevice2]\r\nAddress=0019b7a1c2d4\r\nName=\r\nConnection=unknown\r\n"
                         "[BtDevice3]\r\nAddress=0019b7a1c2d5\r\nName=Hidden\r\nDiscoverable=0\r\n"
                         "Connection=disconnected\r\n"
                         "[BtDevice4]\r\nAddress=0019b7a1c2d6\r\nName=Paired Hidden\r\n"
                         "Discoverable=0\r\nPaired=1\r\nRemoveResult=5\r\nConnection=none\r\n"
                         "[BtDevice5]\r\nAddress=0019b7a1c2d7\r\nName=Stubborn\r\nPairable=0\r\n";

std::wstring Setting(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(section, key, L"", value, 64, file.c_str());
    return value;
}

// The library over a fresh copy of the scenario file, loaded for each test.
class BluetoothLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bt.Ready()); }
    const std::wstring& Written() {
        TempFolder::WriteBytes(scenario, kScenario);
        return scenario;
    }
    TempFolder folder;
    const std::wstring scenario = folder.File(L"machine.ini");
    LoadedLibrary bt{Written()};
};

TEST_F(BluetoothLibrary, SearchListsTheDevicesInRangeAndThePairedOnesAfterTheirInquiryTime) {
    EXPECT_EQ(bt.object->TestState(), 1u);
    EXPECT_EQ(bt.object->GetType(), 0u);
    EXPECT_EQ(bt.Search(50), std::vector<std::u16string>{})
        << "stopped before the devices answered";
    EXPECT_EQ(bt.Search(700),
              (std::vector<std::u16string>{u"Ostra B1", u"", u"Paired Hidden", u"Stubborn"}));
    EXPECT_EQ(bt.object->StartDetect(), 0u);
    EXPECT_EQ(bt.object->StartDetect(), 170u) << "one search at a time";
    bt.object->StopDetect();
}

TEST_F(BluetoothLibrary, PairingAndUnpairingFollowTheScenarioAndAreRemembered) {
    auto phone = bt.Record(kPhone);
    char16_t wrong[] = u"1357";
    char16_t right[] = u"2468";
    EXPECT_EQ(bt.object->AuthenticateDevice(&phone, wrong, 4), 1244u);
    EXPECT_EQ(Setting(scenario, L"BtDevice1", L"Paired"), L"");
    EXPECT_EQ(bt.object->AuthenticateDevice(&phone, right, 4), 0u);
    EXPECT_EQ(Setting(scenario, L"BtDevice1", L"Paired"), L"1");
    EXPECT_EQ(bt.object->AuthenticateDevice(&phone, right, 4), KVBT_ALREADY_PAIRED);
    auto stubborn = bt.Record(kStubborn);
    EXPECT_EQ(bt.object->AuthenticateDevice(&stubborn, right, 4), 1223u);
    auto nameless = bt.Record(kNameless);
    EXPECT_EQ(bt.object->AuthenticateDevice(&nameless, wrong, 4), 0u) << "no passkey asked";

    EXPECT_EQ(bt.object->RemoveDevice(&phone), 0u);
    EXPECT_EQ(Setting(scenario, L"BtDevice1", L"Paired"), L"0");
    EXPECT_EQ(bt.object->RemoveDevice(&phone), 1168u) << "no longer paired";
    auto refusing = bt.Record(kPairedHidden);
    EXPECT_EQ(bt.object->RemoveDevice(&refusing), 5u);
    auto unknown = bt.Record(0x0000000000aa);
    EXPECT_EQ(bt.object->AuthenticateDevice(&unknown, right, 4), 1168u);
}

TEST_F(BluetoothLibrary, ConnectionStatesAndTheStackMask) {
    // (connected, disconnected and unknown: the Bluetooth wizard's end-to-end test)
    EXPECT_NE(bt.Connection(kPairedHidden).first, 0) << "no answer at all";
    EXPECT_EQ(bt.Connection(0x0000000000aa), std::make_pair(0, 0)) << "not found";

    bt.setStack(1u << 1); // Widcomm only: the scenario's Microsoft stack counts as no radio
    EXPECT_EQ(bt.object->TestState(), 0u);
    EXPECT_NE(bt.object->StartDetect(), 0u);
    bt.setStack(KVBT_ALL_STACKS);
    EXPECT_EQ(bt.object->TestState(), 1u);
}

TEST(BluetoothLibraryAlone, WithoutSimulationWinesMissingBluetoothIsNoRadio) {
    LoadedLibrary bt(L"");
    ASSERT_TRUE(bt.Ready());
    EXPECT_EQ(bt.object->TestState(), 0u);
    EXPECT_NE(bt.object->StartDetect(), 0u);
    auto phone = bt.Record(kPhone);
    char16_t key[] = u"2468";
    EXPECT_NE(bt.object->AuthenticateDevice(&phone, key, 4), 0u);
    EXPECT_EQ(bt.Connection(kPhone).second, -1);
}

} // namespace
