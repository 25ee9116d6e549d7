// KvInquireInfo.dll: CKvInquirePhone over the Windows serial ports.
//
// HitchedPhoneInfo answers 0 when the phone was identified, 1 when the record names no port
// to ask (a Bluetooth record: when no COM port is bound to the device), 2 when a port answered
// but gave no manufacturer, model and IMEI, or at once, without opening anything, for a USB
// device listed in section [NeverOpen], and 3 when no port answered within the budget.
// IsDAVDevice answers 1 when the record's product ID is listed in section [DAV] of
// KvInquireInfo.ini beside the DLL with a nonzero value, else 0.
#include "contracts/kv_inquire_phone.h"

#include "contracts/utf16_field.h"
#include "makerlibs/kvinquire/bt_serial_port.h"
#include "makerlibs/kvinquire/inquiry_record.h"
#include "makerlibs/kvinquire/kv_trace.h"
#include "makerlibs/kvinquire/never_open.h"
#include "makerlibs/kvinquire/win_serial_link.h"

#include <windows.h>

#include <string>

namespace hitched {
const wchar_t kKvTraceModule[] = L"KvInquireInfo";
} // namespace hitched

namespace {

// KvInquireInfo.ini in the folder of this DLL (not of the program that loaded it).
std::wstring IniPath() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&IniPath), &self);
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return L"KvInquireInfo.ini";
    }
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"KvInquireInfo.ini";
}

hitched::AtTimings LoadTimings(const std::wstring& ini) {
    auto value = [&](const wchar_t* key) {
        return static_cast<int>(GetPrivateProfileIntW(L"Timing", key, -1, ini.c_str()));
    };
    return hitched::TimingsFromSettings(value(L"ProbeTimeout"), value(L"ProbeAttempts"),
                                        value(L"CommandTimeout"), value(L"Budget"));
}

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

bool ListedAsNeverOpened(const _PHONEDEVICEINFO_T& info, const std::wstring& ini) {
    if (info.dwConnectType != hitched::kDeviceUsbCable) {
        return false;
    }
    return hitched::IsNeverOpened(info.wVendorID, info.wProductID, [&](std::u16string_view key) {
        const std::wstring wkey(key.begin(), key.end());
        return static_cast<int>(GetPrivateProfileIntW(L"NeverOpen", wkey.c_str(), -1, ini.c_str()));
    });
}

} // namespace

CKvInquirePhone::CKvInquirePhone() = default;

CKvInquirePhone::~CKvInquirePhone() = default;

uint32_t CKvInquirePhone::HitchedPhoneInfo(_PHONEDEVICEINFO_T& info) {
    std::vector<int> ports = hitched::PortsToAsk(info);
    // A Bluetooth record carries only the address: the phone is asked over the COM port
    // that the system bound to the device's serial-port service.
    int boundPort = 0;
    if (ports.empty() && info.dwConnectType == hitched::kDeviceBluetooth) {
        boundPort = hitched::FindBluetoothSerialPort(info.ullBTAddress);
        hitched::KvTrace(L"HitchedPhoneInfo: Bluetooth %012llx on COM%d",
                         static_cast<unsigned long long>(info.ullBTAddress), boundPort);
        if (boundPort != 0) {
            ports.push_back(boundPort);
        }
    }
    if (ports.empty()) {
        hitched::KvTrace(L"HitchedPhoneInfo: no port to ask (type %u)",
                         static_cast<unsigned>(info.dwConnectType));
        return hitched::kInquiryNoPort;
    }
    const std::wstring ini = IniPath();
    if (ListedAsNeverOpened(info, ini)) {
        const std::u16string key = hitched::ProductKey(info.wVendorID, info.wProductID);
        hitched::KvTrace(L"HitchedPhoneInfo: USB %ls is listed in [NeverOpen], not a phone: "
                         L"COM%d not opened",
                         std::wstring(key.begin(), key.end()).c_str(), ports.front());
        return hitched::kInquiryNotAPhone;
    }
    hitched::SteadyClock clock;
    hitched::PhoneIdentifier identifier(
        [](int port) -> std::unique_ptr<hitched::ISerialLink> {
            return hitched::WinSerialLink::Open(port);
        },
        clock, LoadTimings(ini));
    if (boundPort != 0) {
        identifier.StartBudgetAtOpen();
    }
    const hitched::IdentifyResult result = identifier.Identify(ports);
    for (const hitched::PortAttempt& attempt : result.attempts) {
        hitched::KvTrace(L"HitchedPhoneInfo: COM%d %ls after %llu ms %ls", attempt.port,
                         Wide(hitched::PortStatusName(attempt.status)).c_str(),
                         static_cast<unsigned long long>(attempt.elapsedMs),
                         Wide(attempt.detail).c_str());
    }
    if (!result.identified) {
        return hitched::AnsweredNotAsPhone(result) ? hitched::kInquiryNotAPhone
                                                   : hitched::kInquiryNoAnswer;
    }
    hitched::StoreIdentity(info, result.identity);
    if (boundPort != 0) { // so that clients can claim the Bluetooth phone's port
        info.nSerialPort = boundPort;
        hitched::CopyField(info.tszSerialPortName,
                           u"COM" + hitched::AsciiToUtf16(std::to_string(boundPort)));
    }
    return hitched::kInquiryIdentified;
}

int CKvInquirePhone::IsDAVDevice(_PHONEDEVICEINFO_T* info) {
    if (info == nullptr) {
        return 0;
    }
    const std::u16string key = hitched::DavKey(info->wProductID);
    const std::wstring wkey(key.begin(), key.end());
    return GetPrivateProfileIntW(L"DAV", wkey.c_str(), 0, IniPath().c_str()) != 0 ? 1 : 0;
}
