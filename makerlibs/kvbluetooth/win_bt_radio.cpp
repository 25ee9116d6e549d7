#include "makerlibs/kvbluetooth/win_bt_radio.h"

#include "contracts/bluetooth_detect_obj.h"
#include "makerlibs/kvbluetooth/bt_connection_rule.h"
#include "makerlibs/kvinquire/bt_serial_port.h"
#include "makerlibs/kvinquire/kv_trace.h"

#include <winsock2.h>

#include <windows.h>

#include <bluetoothapis.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

namespace hitched {
namespace {

// The serial-port profile: enabling it makes Windows create the phone's COM port.
const GUID kSerialPortService = {
    0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
constexpr DWORD kServiceEnable = 0x01;
// Each unit is 1.28 s: an inquiry ends on its own within about 2.6 s, so StopDetect's wait
// for it stays short.
constexpr UCHAR kInquiryUnits = 2;

using FindFirstRadioFn = HBLUETOOTH_RADIO_FIND(WINAPI*)(const BLUETOOTH_FIND_RADIO_PARAMS*,
                                                        HANDLE*);
using FindRadioCloseFn = BOOL(WINAPI*)(HBLUETOOTH_RADIO_FIND);
using FindFirstDeviceFn = HBLUETOOTH_DEVICE_FIND(WINAPI*)(const BLUETOOTH_DEVICE_SEARCH_PARAMS*,
                                                          BLUETOOTH_DEVICE_INFO*);
using FindNextDeviceFn = BOOL(WINAPI*)(HBLUETOOTH_DEVICE_FIND, BLUETOOTH_DEVICE_INFO*);
using FindDeviceCloseFn = BOOL(WINAPI*)(HBLUETOOTH_DEVICE_FIND);
using GetDeviceInfoFn = DWORD(WINAPI*)(HANDLE, BLUETOOTH_DEVICE_INFO*);
using AuthenticateDeviceFn = DWORD(WINAPI*)(HWND, HANDLE, BLUETOOTH_DEVICE_INFO*, PWSTR, ULONG);
using RemoveDeviceFn = DWORD(WINAPI*)(const BLUETOOTH_ADDRESS*);
using SetServiceStateFn = DWORD(WINAPI*)(HANDLE, const BLUETOOTH_DEVICE_INFO*, const GUID*, DWORD);
using RegisterAuthExFn = DWORD(WINAPI*)(const BLUETOOTH_DEVICE_INFO*,
                                        HBLUETOOTH_AUTHENTICATION_REGISTRATION*,
                                        PFN_AUTHENTICATION_CALLBACK_EX, PVOID);
using UnregisterAuthFn = BOOL(WINAPI*)(HBLUETOOTH_AUTHENTICATION_REGISTRATION);
using AuthenticateExFn = DWORD(WINAPI*)(HWND, HANDLE, BLUETOOTH_DEVICE_INFO*,
                                        PBLUETOOTH_OOB_DATA_INFO,
                                        BLUETOOTH_AUTHENTICATION_REQUIREMENTS);
using SendResponseExFn = DWORD(WINAPI*)(HANDLE, PBLUETOOTH_AUTHENTICATE_RESPONSE);

// The stack's side of one pairing: what it asked, and how the user's answer goes back to it.
// The callback comes on a thread of the stack while BluetoothAuthenticateDeviceEx blocks.
struct StackPairing {
    StackPairing(BtPairingSession* s, HANDLE r, uint64_t a, SendResponseExFn f)
        : session(s), radio(r), address(a), send(f) {}

    BtPairingSession* session;
    HANDLE radio;
    uint64_t address;
    SendResponseExFn send;
    std::mutex lock;
    bool asked = false;
    bool refusedEarly = false; // refused before the stack asked anything
    BLUETOOTH_AUTHENTICATION_METHOD method = BLUETOOTH_AUTHENTICATION_METHOD_LEGACY;
    ULONG number = 0;

    // Called with the lock held.
    void Send(bool accept, const std::u16string& passkey) {
        BLUETOOTH_AUTHENTICATE_RESPONSE response = {};
        response.bthAddressRemote.ullLong = address;
        response.authMethod = method;
        response.negativeResponse = accept ? 0 : 1;
        if (method == BLUETOOTH_AUTHENTICATION_METHOD_LEGACY) {
            const std::size_t n = std::min<std::size_t>(passkey.size(), BTH_MAX_PIN_SIZE);
            for (std::size_t i = 0; i < n; ++i) {
                response.pinInfo.pin[i] = static_cast<UCHAR>(passkey[i]);
            }
            response.pinInfo.pinLength = static_cast<UCHAR>(n);
        } else if (method == BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON) {
            response.numericCompInfo.NumericValue = number;
        } else if (method == BLUETOOTH_AUTHENTICATION_METHOD_PASSKEY) {
            ULONG typed = 0;
            for (char16_t c : passkey) {
                typed = c >= u'0' && c <= u'9' ? typed * 10 + (c - u'0') : typed;
            }
            response.passkeyInfo.passkey = typed;
        } else {
            response.passkeyInfo.passkey = number;
        }
        const DWORD rc = send(radio, &response);
        KvTrace(L"BluetoothSendAuthenticationResponseEx %012llx method %d %ls: %lu",
                static_cast<unsigned long long>(address), static_cast<int>(method),
                accept ? L"accept" : L"refuse", rc);
    }

    void OnAnswer(bool accept, const std::u16string& passkey) {
        std::lock_guard<std::mutex> guard(lock);
        if (!asked) {
            refusedEarly = refusedEarly || !accept;
            return;
        }
        Send(accept, passkey);
    }

    static BOOL CALLBACK OnRequest(LPVOID param, PBLUETOOTH_AUTHENTICATION_CALLBACK_PARAMS p) {
        auto* self = static_cast<StackPairing*>(param);
        KVBT_PAIRING_REQUEST request = {};
        {
            std::lock_guard<std::mutex> guard(self->lock);
            self->asked = true;
            self->method = p->authenticationMethod;
            self->number = p->Numeric_Value;
            if (self->refusedEarly) {
                self->Send(false, u"");
                return TRUE;
            }
            request.dwMethod = static_cast<uint32_t>(p->authenticationMethod);
            // A numeric comparison with a phone that can neither show nor confirm is "just works".
            if (p->authenticationMethod == BLUETOOTH_AUTHENTICATION_METHOD_NUMERIC_COMPARISON &&
                p->ioCapability == BLUETOOTH_IO_CAPABILITY_NOINPUTNOOUTPUT) {
                request.dwMethod = KVBT_PAIR_JUSTWORKS;
            }
            const bool shown =
                request.dwMethod == KVBT_PAIR_NUMERIC || request.dwMethod == KVBT_PAIR_NOTIFICATION;
            request.dwNumber = shown ? p->Numeric_Value : 0;
        }
        self->session->Ask(request); // the answer may come back at once, through OnAnswer
        return TRUE;
    }
};

class WinBtRadio : public IBtRadio {
public:
    explicit WinBtRadio(HMODULE api) : m_api(api) {
        m_findFirstRadio = Get<FindFirstRadioFn>("BluetoothFindFirstRadio");
        m_findRadioClose = Get<FindRadioCloseFn>("BluetoothFindRadioClose");
        m_findFirstDevice = Get<FindFirstDeviceFn>("BluetoothFindFirstDevice");
        m_findNextDevice = Get<FindNextDeviceFn>("BluetoothFindNextDevice");
        m_findDeviceClose = Get<FindDeviceCloseFn>("BluetoothFindDeviceClose");
        m_getDeviceInfo = Get<GetDeviceInfoFn>("BluetoothGetDeviceInfo");
        m_authenticate = Get<AuthenticateDeviceFn>("BluetoothAuthenticateDevice");
        m_remove = Get<RemoveDeviceFn>("BluetoothRemoveDevice");
        m_setServiceState = Get<SetServiceStateFn>("BluetoothSetServiceState");
        m_registerAuthEx = Get<RegisterAuthExFn>("BluetoothRegisterForAuthenticationEx");
        m_unregisterAuth = Get<UnregisterAuthFn>("BluetoothUnregisterAuthentication");
        m_authenticateEx = Get<AuthenticateExFn>("BluetoothAuthenticateDeviceEx");
        m_sendResponseEx = Get<SendResponseExFn>("BluetoothSendAuthenticationResponseEx");
    }
    ~WinBtRadio() override { FreeLibrary(m_api); }

    bool Present(uint32_t stackMask) override {
        // The Windows API is the Microsoft stack, type 0.
        if ((stackMask & (1u << KVBT_STACK_MICROSOFT)) == 0) {
            return false;
        }
        return OpenRadio() != nullptr;
    }

    uint32_t StackType() override { return KVBT_STACK_MICROSOFT; }

    std::vector<BtRadioDevice> Inquire(Clock::time_point, const std::atomic<bool>& stop) override {
        // An inquiry that fails at once is not repeated at once: each one takes the inquiry
        // period, as a real one does, so a failing radio is not asked in a tight loop.
        const Clock::time_point due =
            Clock::now() + std::chrono::milliseconds(kInquiryUnits * 1280);
        std::vector<BtRadioDevice> devices = InquireOnce(stop);
        while (!stop && Clock::now() < due) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return devices;
    }

    std::vector<BtRadioDevice> InquireOnce(const std::atomic<bool>& stop) {
        std::vector<BtRadioDevice> devices;
        const RadioHandle radio = OpenRadio();
        if (radio == nullptr || !m_findFirstDevice || !m_findNextDevice || !m_findDeviceClose) {
            return devices;
        }
        BLUETOOTH_DEVICE_SEARCH_PARAMS params = {};
        params.dwSize = sizeof params;
        params.fReturnAuthenticated = TRUE;
        params.fReturnRemembered = TRUE;
        params.fReturnUnknown = TRUE;
        params.fReturnConnected = TRUE;
        params.fIssueInquiry = TRUE;
        params.cTimeoutMultiplier = kInquiryUnits;
        params.hRadio = radio.get();
        BLUETOOTH_DEVICE_INFO info = {};
        info.dwSize = sizeof info;
        HBLUETOOTH_DEVICE_FIND find = m_findFirstDevice(&params, &info);
        for (bool more = find != nullptr; more && !stop; more = m_findNextDevice(find, &info)) {
            BtRadioDevice device;
            device.address = info.Address.ullLong & 0xFFFFFFFFFFFFull;
            // The stack may fill the whole array without a terminator.
            const std::size_t length = wcsnlen(info.szName, std::size(info.szName));
            device.name.assign(reinterpret_cast<const char16_t*>(info.szName), length);
            device.paired = info.fAuthenticated != FALSE;
            device.connected = info.fConnected != FALSE;
            devices.push_back(std::move(device));
            info = {};
            info.dwSize = sizeof info;
        }
        if (find != nullptr) {
            m_findDeviceClose(find);
        }
        return devices;
    }

    uint32_t Authenticate(uint64_t address, std::u16string_view passkey) override {
        const RadioHandle radio = OpenRadio();
        if (radio == nullptr || !m_getDeviceInfo || !m_authenticate) {
            return kBtNoRadio;
        }
        BLUETOOTH_DEVICE_INFO info = {};
        info.dwSize = sizeof info;
        info.Address.ullLong = address;
        DWORD result = m_getDeviceInfo(radio.get(), &info);
        if (result == ERROR_SUCCESS && info.fAuthenticated) {
            result = kBtAlreadyPaired;
        } else if (result == ERROR_SUCCESS) {
            std::wstring key(passkey.begin(), passkey.end());
            result = m_authenticate(nullptr, radio.get(), &info, key.data(),
                                    static_cast<ULONG>(key.size()));
        } else {
            result = kBtNotFound;
        }
        if ((result == ERROR_SUCCESS || result == kBtAlreadyPaired) && m_setServiceState) {
            const DWORD service =
                m_setServiceState(radio.get(), &info, &kSerialPortService, kServiceEnable);
            KvTrace(L"BluetoothSetServiceState(serial port) %012llx: %lu",
                    static_cast<unsigned long long>(address), service);
        }
        return result;
    }

    // Registers for the stack's questions about this device, then pairs; the user's answers go
    // back through BluetoothSendAuthenticationResponseEx. Blocks until the pairing ends.
    uint32_t Pair(uint64_t address, BtPairingSession& session) override {
        const RadioHandle radio = OpenRadio();
        if (radio == nullptr || !m_getDeviceInfo) {
            return kBtNoRadio;
        }
        if (!m_registerAuthEx || !m_unregisterAuth || !m_authenticateEx || !m_sendResponseEx) {
            return kBtNotSupported; // a stack without Secure Simple Pairing
        }
        BLUETOOTH_DEVICE_INFO info = {};
        info.dwSize = sizeof info;
        info.Address.ullLong = address;
        if (m_getDeviceInfo(radio.get(), &info) != ERROR_SUCCESS) {
            return kBtNotFound;
        }
        if (info.fAuthenticated) {
            return kBtAlreadyPaired;
        }
        StackPairing pairing(&session, radio.get(), address, m_sendResponseEx);
        HBLUETOOTH_AUTHENTICATION_REGISTRATION registration = nullptr;
        const DWORD registered =
            m_registerAuthEx(&info, &registration, &StackPairing::OnRequest, &pairing);
        if (registered != ERROR_SUCCESS) {
            KvTrace(L"BluetoothRegisterForAuthenticationEx: %lu", registered);
            return registered;
        }
        session.SetSink([&pairing](bool accept, const std::u16string& passkey) {
            pairing.OnAnswer(accept, passkey);
        });
        const DWORD result = m_authenticateEx(nullptr, radio.get(), &info, nullptr,
                                              MITMProtectionRequiredGeneralBonding);
        session.SetSink(nullptr);
        m_unregisterAuth(registration);
        KvTrace(L"BluetoothAuthenticateDeviceEx %012llx: %lu",
                static_cast<unsigned long long>(address), result);
        return result;
    }

    uint32_t EnableSerialService(uint64_t address) override {
        const RadioHandle radio = OpenRadio();
        if (radio == nullptr || !m_getDeviceInfo || !m_setServiceState) {
            return kBtNoRadio;
        }
        BLUETOOTH_DEVICE_INFO info = {};
        info.dwSize = sizeof info;
        info.Address.ullLong = address;
        if (m_getDeviceInfo(radio.get(), &info) != ERROR_SUCCESS) {
            return kBtNotFound;
        }
        // Installs the port's driver: seconds, on the caller's thread.
        const DWORD result =
            m_setServiceState(radio.get(), &info, &kSerialPortService, kServiceEnable);
        KvTrace(L"BluetoothSetServiceState(serial port) %012llx: %lu",
                static_cast<unsigned long long>(address), result);
        return result;
    }

    int SerialPortNumber(uint64_t address) override { return FindBluetoothSerialPort(address); }

    uint32_t Remove(uint64_t address) override {
        if (!m_remove) {
            return kBtNoRadio;
        }
        BLUETOOTH_ADDRESS target = {};
        target.ullLong = address;
        return m_remove(&target);
    }

    int ConnectionState(uint64_t address, int32_t& status) override {
        const RadioHandle radio = OpenRadio();
        if (radio == nullptr || !m_getDeviceInfo) {
            status = KVBT_DEV_STATUS_UNKNOWN;
            return 0;
        }
        BLUETOOTH_DEVICE_INFO info = {};
        info.dwSize = sizeof info;
        info.Address.ullLong = address;
        const BtDeviceLink link{m_getDeviceInfo(radio.get(), &info) == ERROR_SUCCESS,
                                info.fAuthenticated != FALSE, info.fConnected != FALSE};
        // fConnected is false for a paired phone that no program holds open, which is its
        // normal state: whether it answers a page decides.
        status = BtConnectionStatus(link, [&] { return AnswersServiceLookup(address); });
        return 0;
    }

private:
    template <typename Fn> Fn Get(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_api, name)));
    }

    struct HandleCloser {
        void operator()(HANDLE handle) const { CloseHandle(handle); }
    };
    using RadioHandle = std::unique_ptr<void, HandleCloser>;

    // A service lookup on the device itself: with LUP_FLUSHCACHE the stack pages it and asks
    // for its serial-port record over SDP, and closes that link again before returning. Any
    // answer means the phone is there; a phone switched off or out of range fails after the
    // radio's page time-out.
    static bool AnswersServiceLookup(uint64_t address) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            return false;
        }
        wchar_t context[24];
        std::swprintf(context, 24, L"(%02X:%02X:%02X:%02X:%02X:%02X)",
                      static_cast<unsigned>((address >> 40) & 0xFF),
                      static_cast<unsigned>((address >> 32) & 0xFF),
                      static_cast<unsigned>((address >> 24) & 0xFF),
                      static_cast<unsigned>((address >> 16) & 0xFF),
                      static_cast<unsigned>((address >> 8) & 0xFF),
                      static_cast<unsigned>(address & 0xFF));
        GUID service = kSerialPortService;
        WSAQUERYSETW query = {};
        query.dwSize = sizeof query;
        query.lpServiceClassId = &service;
        query.dwNameSpace = NS_BTH;
        query.lpszContext = context;
        HANDLE lookup = nullptr;
        const bool answered = WSALookupServiceBeginW(&query, LUP_FLUSHCACHE, &lookup) == 0;
        const int error = answered ? 0 : WSAGetLastError();
        if (answered) {
            WSALookupServiceEnd(lookup);
        }
        WSACleanup();
        KvTrace(L"service lookup %012llx: %ls %d", static_cast<unsigned long long>(address),
                answered ? L"answered" : L"no answer", error);
        return answered;
    }

    // The first radio, closed when the handle goes, or null. Only this is asked when there is
    // none.
    RadioHandle OpenRadio() {
        if (!m_findFirstRadio || !m_findRadioClose) {
            return nullptr;
        }
        BLUETOOTH_FIND_RADIO_PARAMS params = {sizeof params};
        HANDLE radio = nullptr;
        HBLUETOOTH_RADIO_FIND find = m_findFirstRadio(&params, &radio);
        if (find == nullptr) {
            return nullptr;
        }
        m_findRadioClose(find);
        return RadioHandle(radio);
    }

    HMODULE m_api;
    FindFirstRadioFn m_findFirstRadio = nullptr;
    FindRadioCloseFn m_findRadioClose = nullptr;
    FindFirstDeviceFn m_findFirstDevice = nullptr;
    FindNextDeviceFn m_findNextDevice = nullptr;
    FindDeviceCloseFn m_findDeviceClose = nullptr;
    GetDeviceInfoFn m_getDeviceInfo = nullptr;
    AuthenticateDeviceFn m_authenticate = nullptr;
    RemoveDeviceFn m_remove = nullptr;
    SetServiceStateFn m_setServiceState = nullptr;
    RegisterAuthExFn m_registerAuthEx = nullptr;
    UnregisterAuthFn m_unregisterAuth = nullptr;
    AuthenticateExFn m_authenticateEx = nullptr;
    SendResponseExFn m_sendResponseEx = nullptr;
};

} // namespace

std::shared_ptr<IBtRadio> MakeWindowsBtRadio() {
    // bthprops.cpl first: on Windows it carries the same API (forwarded), and under Wine it
    // answers "no radio" where BluetoothAPIs.dll's stubs end the process. Only the system
    // folder's copies: a file of that name beside the program is never loaded.
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 20) {
        KvTrace(L"no system folder: no Bluetooth API");
        return nullptr;
    }
    for (const wchar_t* name : {L"bthprops.cpl", L"BluetoothAPIs.dll"}) {
        const std::wstring path = std::wstring(system) + L"\\" + name;
        if (HMODULE api = LoadLibraryW(path.c_str())) {
            KvTrace(L"Bluetooth API from %ls", name);
            return std::make_shared<WinBtRadio>(api);
        }
    }
    KvTrace(L"no Bluetooth API");
    return nullptr;
}

} // namespace hitched
