#pragma once
// KVBluetoothComm.dll: search, pairing, unpairing and connection state over the installed
// Bluetooth stack. The library creates and destroys its object itself (each module has its
// own heap), so the program sees only this interface and the four functions it looks up by
// name after LoadLibraryW(kBluetoothLibraryName).
#include <cstdint>
#include <type_traits>

#include "contracts/bt_device_info.h"

// What the stack asks of the user during a pairing (Windows' BLUETOOTH_AUTHENTICATION_METHOD
// numbering; "just works" is a numeric comparison that the phone cannot show).
constexpr uint32_t KVBT_PAIR_LEGACY = 1;       // a PIN typed on both sides
constexpr uint32_t KVBT_PAIR_NUMERIC = 3;      // confirm that the phone shows `number`
constexpr uint32_t KVBT_PAIR_NOTIFICATION = 4; // show `number`: the user types it on the phone
constexpr uint32_t KVBT_PAIR_PASSKEY = 5;      // type the `number` the phone shows
constexpr uint32_t KVBT_PAIR_JUSTWORKS = 6;    // nothing to show or type: accept

struct KVBT_PAIRING_REQUEST {
    uint32_t dwMethod;
    uint32_t dwNumber; // six digits for numeric comparison and notification, else 0
};

class CBtPairingPrompt {
public:
    virtual void OnPairingRequest(const KVBT_PAIRING_REQUEST& request) = 0;

protected:
    ~CBtPairingPrompt() = default;
};

constexpr uint32_t KVBT_NOT_SUPPORTED = 50;

// Members answer 0 for success unless noted. Calls come from the user-interface thread and,
// for TestState, GetType and KVBTIsDeviceConnected, from the monitor thread too.
class CBluetoothDetectObj {
public:
    virtual uint32_t StartDetect() = 0; // 0 = an inquiry runs in the background
    virtual uint32_t StopDetect() = 0;
    virtual uint32_t TestState() = 0; // 0 = Bluetooth not usable now
    virtual uint32_t GetType() = 0;   // stack type 0..3
    virtual uint32_t GetDeviceCount(int* count) = 0;
    // Points *info at the library's own record; the caller copies it at once.
    virtual uint32_t GetDeviceInfo(int index, _KV_BLUETOOTH_DEVICE_INFO_STRUCT** info) = 0;
    virtual uint32_t RemoveDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info) = 0;
    // passkey is wchar_t* at the Windows boundary (the same 16 bits); length in characters.
    // 0 or 259 (already paired) = paired.
    virtual uint32_t AuthenticateDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT* info, char16_t* passkey,
                                        uint32_t length) = 0;

    // Secure Simple Pairing. PairDevice blocks until the pairing ends (call it off the
    // user-interface thread): 0 or 259 = paired, else a Windows error code. When the stack
    // needs the user, it tells `prompt` (on any thread) and waits for AnswerPairing, which the
    // program calls from any thread; a refusal also ends a pairing that waits for the phone.
    // An object that cannot pair so answers 50 (ERROR_NOT_SUPPORTED) to all four.
    virtual uint32_t PairDevice(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*, CBtPairingPrompt*) {
        return KVBT_NOT_SUPPORTED;
    }
    // accept 0 refuses; passkey: the digits of a PIN or of the number the phone shows.
    virtual uint32_t AnswerPairing(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT*, uint32_t /*accept*/,
                                   const char16_t* /*passkey*/, uint32_t /*length*/) {
        return KVBT_NOT_SUPPORTED;
    }
    // Switches the paired device's serial-port service on: Windows then makes its COM port.
    // 1060 (ERROR_SERVICE_DOES_NOT_EXIST): the device offers none.
    virtual uint32_t EnableSerialService(_KV_BLUETOOTH_DEVICE_INFO_STRUCT*) {
        return KVBT_NOT_SUPPORTED;
    }
    // 0 and *port = n of the device's outgoing COMn once it exists; 1168 while it does not.
    virtual uint32_t GetSerialPort(const _KV_BLUETOOTH_DEVICE_INFO_STRUCT*, int* /*port*/) {
        return KVBT_NOT_SUPPORTED;
    }

protected:
    // Only DestroyBluetoothDetectionObject deletes the object, inside the library's own heap.
    virtual ~CBluetoothDetectObj() = default;
};
// Only the library deletes its objects (each module has its own heap): `delete obj` in the
// program must not compile.
static_assert(!std::is_destructible<CBluetoothDetectObj>::value, "protected destructor");
static_assert(std::has_virtual_destructor<CBluetoothDetectObj>::value, "virtual destructor");

// Stack types and the stack mask (type t is bit 1 << t).
constexpr uint32_t KVBT_STACK_MICROSOFT = 0;
constexpr uint32_t KVBT_STACK_WIDCOMM = 1;
constexpr uint32_t KVBT_STACK_IVT = 2;
constexpr uint32_t KVBT_STACK_TOSHIBA = 3;
constexpr uint32_t KVBT_ALL_STACKS = 15;

// Status words of KVBTIsDeviceConnected.
constexpr int32_t KVBT_DEV_STATUS_CONNECTED = 1;
constexpr int32_t KVBT_DEV_STATUS_DISCONNECTED = 0;
constexpr int32_t KVBT_DEV_STATUS_UNKNOWN = -1;

// AuthenticateDevice's answer for a device that is already paired (ERROR_NO_MORE_ITEMS).
constexpr uint32_t KVBT_ALREADY_PAIRED = 259;

// The functions looked up by name; default (cdecl) calling convention, C names.
// 0 = *object holds a new object.
typedef int (*PFN_CreateBluetoothDetectionObject)(CBluetoothDetectObj** object);
typedef void (*PFN_DestroyBluetoothDetectionObject)(CBluetoothDetectObj* object);
// address: the 8-byte device address. 0 = *status holds a status word; nonzero = no answer.
// On entry *status holds the stack type shifted left by itself.
typedef int (*PFN_KVBTIsDeviceConnected)(const uint64_t* address, int32_t* status);
// Called with KVBT_ALL_STACKS; the result is not read.
typedef int (*PFN_KVBTSetAvailableBTStack)(uint32_t stackMask);

constexpr const char16_t* kBluetoothLibraryName = u"KVBluetoothComm.dll";
constexpr const char* kCreateBluetoothDetectionObjectName = "CreateBluetoothDetectionObject";
constexpr const char* kDestroyBluetoothDetectionObjectName = "DestroyBluetoothDetectionObject";
constexpr const char* kKVBTIsDeviceConnectedName = "KVBTIsDeviceConnected";
constexpr const char* kKVBTSetAvailableBTStackName = "KVBTSetAvailableBTStack";

// The library defines its exports with these exact names and types.
#if defined(_WIN32) && defined(KVBLUETOOTHCOMM_EXPORTS)
#define KVBLUETOOTHCOMM_API extern "C" __declspec(dllexport)
#else
#define KVBLUETOOTHCOMM_API extern "C"
#endif
KVBLUETOOTHCOMM_API int CreateBluetoothDetectionObject(CBluetoothDetectObj** object);
KVBLUETOOTHCOMM_API void DestroyBluetoothDetectionObject(CBluetoothDetectObj* object);
KVBLUETOOTHCOMM_API int KVBTIsDeviceConnected(const uint64_t* address, int32_t* status);
KVBLUETOOTHCOMM_API int KVBTSetAvailableBTStack(uint32_t stackMask);

// The exports and the pointer types the program casts GetProcAddress's answers to must agree.
static_assert(std::is_same<decltype(&CreateBluetoothDetectionObject),
                           PFN_CreateBluetoothDetectionObject>::value,
              "create");
static_assert(std::is_same<decltype(&DestroyBluetoothDetectionObject),
                           PFN_DestroyBluetoothDetectionObject>::value,
              "destroy");
static_assert(std::is_same<decltype(&KVBTIsDeviceConnected), PFN_KVBTIsDeviceConnected>::value,
              "is connected");
static_assert(std::is_same<decltype(&KVBTSetAvailableBTStack), PFN_KVBTSetAvailableBTStack>::value,
              "set stack");
