// KVBluetoothComm.dll: the detection object and the three other exports over the Windows
// Bluetooth API, or over the simulated radio when HITCHED_SIMULATION names a scenario file.
// Result codes: 0 success, 87 bad argument, 170 a search already runs, 259 already paired,
// 50 pairing unavailable (no Secure Simple Pairing in the stack), 258 the phone did not answer,
// 1060 no serial-port service, 1167 no radio, 1168 no such (paired) device or no port yet,
// 1223 pairing refused, 1244 wrong passkey;
// RemoveDevice may also answer the scenario's or the system's own code.
#define KVBLUETOOTHCOMM_EXPORTS
#include "contracts/bluetooth_detect_obj.h"
#include "makerlibs/kvbluetooth/bt_detect_object.h"
#include "makerlibs/kvbluetooth/simulated_bt_radio.h"
#include "makerlibs/kvbluetooth/win_bt_radio.h"
#include "makerlibs/kvinquire/kv_trace.h"
#include "platform/win32_profile_reader.h"
#include "platform/win32_profile_writer.h"
#include "platform/win32_simulation_file.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace hitched {
const wchar_t kKvTraceModule[] = L"KVBluetoothComm";
} // namespace hitched

namespace {

using namespace hitched;

// No Bluetooth API at all: no radio, every request refused.
class NoRadio : public IBtRadio {
public:
    bool Present(uint32_t) override { return false; }
    uint32_t StackType() override { return KVBT_STACK_MICROSOFT; }
    std::vector<BtRadioDevice> Inquire(Clock::time_point, const std::atomic<bool>&) override {
        return {};
    }
    uint32_t Authenticate(uint64_t, std::u16string_view) override { return kBtNoRadio; }
    uint32_t Pair(uint64_t, BtPairingSession&) override { return kBtNoRadio; }
    uint32_t EnableSerialService(uint64_t) override { return kBtNoRadio; }
    int SerialPortNumber(uint64_t) override { return 0; }
    uint32_t Remove(uint64_t) override { return kBtNoRadio; }
    int ConnectionState(uint64_t, int32_t& status) override {
        status = KVBT_DEV_STATUS_UNKNOWN;
        return 0;
    }
};

std::atomic<uint32_t> g_stackMask{KVBT_ALL_STACKS};

// One radio for the process: the API is loaded once; the simulated radio reads its file
// afresh on every call anyway.
std::shared_ptr<IBtRadio> Radio() {
    static std::once_flag once;
    static std::shared_ptr<IBtRadio> radio;
    std::call_once(once, [] {
        const std::u16string scenario = SimulationFile();
        if (!scenario.empty()) {
            KvTrace(L"simulated radio from the scenario file");
            radio =
                std::make_shared<SimulatedBtRadio>(std::make_unique<Win32ProfileReader>(scenario),
                                                   std::make_unique<Win32ProfileWriter>(scenario));
        } else {
            radio = MakeWindowsBtRadio();
        }
        if (!radio) {
            radio = std::make_shared<NoRadio>();
        }
    });
    return radio;
}

// The object the program holds: every call traced with its answer.
class TracedDetectObject : public BtDetectObject {
public:
    TracedDetectObject() : BtDetectObject(Radio(), g_stackMask) {}

    uint32_t StartDetect() override {
        return Traced(L"StartDetect", BtDetectObject::StartDetect());
    }
    uint32_t StopDetect() override { return Traced(L"StopDetect", BtDetectObject::StopDetect()); }
    uint32_t TestState() override { return Traced(L"TestState", BtDetectObject::TestState()); }
    uint32_t GetType() override { return Traced(L"GetType", BtDetectObject::GetType()); }
    uint32_t RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) override {
        return Traced(L"RemoveDevice", BtDetectObject::RemoveDevice(info));
    }
    uint32_t AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, char16_t* passkey,
                                uint32_t length) override {
        return Traced(L"AuthenticateDevice",
                      BtDetectObject::AuthenticateDevice(info, passkey, length));
    }

    uint32_t PairDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, CBtPairingPrompt* prompt) override {
        return Traced(L"PairDevice", BtDetectObject::PairDevice(info, prompt));
    }
    uint32_t AnswerPairing(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, uint32_t accept,
                           const char16_t* passkey, uint32_t length) override {
        KvTrace(L"AnswerPairing: %ls", accept != 0 ? L"accept" : L"refuse");
        return Traced(L"AnswerPairing",
                      BtDetectObject::AnswerPairing(info, accept, passkey, length));
    }
    uint32_t EnableSerialService(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) override {
        return Traced(L"EnableSerialService", BtDetectObject::EnableSerialService(info));
    }

private:
    static uint32_t Traced(const wchar_t* call, uint32_t result) {
        KvTrace(L"%ls: %lu", call, static_cast<unsigned long>(result));
        return result;
    }
};

} // namespace

KVBLUETOOTHCOMM_API int CreateBluetoothDetectionObject(CBluetoothDetectObj** object) {
    if (object == nullptr) {
        return static_cast<int>(kBtBadArgument);
    }
    *object = new TracedDetectObject();
    KvTrace(L"CreateBluetoothDetectionObject: 0");
    return 0;
}

KVBLUETOOTHCOMM_API void DestroyBluetoothDetectionObject(CBluetoothDetectObj* object) {
    KvTrace(L"DestroyBluetoothDetectionObject");
    delete static_cast<TracedDetectObject*>(object);
}

KVBLUETOOTHCOMM_API int KVBTIsDeviceConnected(const uint64_t* address, int32_t* status) {
    if (address == nullptr || status == nullptr) {
        return static_cast<int>(kBtBadArgument);
    }
    const int answered = Radio()->ConnectionState(*address & 0xFFFFFFFFFFFFull, *status);
    KvTrace(L"KVBTIsDeviceConnected %012llx: %d, status %d",
            static_cast<unsigned long long>(*address & 0xFFFFFFFFFFFFull), answered,
            answered == 0 ? *status : 0);
    return answered;
}

KVBLUETOOTHCOMM_API int KVBTSetAvailableBTStack(uint32_t stackMask) {
    g_stackMask = stackMask;
    KvTrace(L"KVBTSetAvailableBTStack %lu", static_cast<unsigned long>(stackMask));
    return 0;
}
