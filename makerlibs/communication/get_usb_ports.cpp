// communication.dll: GetUsbPorts, the COM ports of the special USB interfaces.
//
// The rule (SpecialUsbPortNames): the special interfaces are the serial functions of DAV
// devices. A present device of class Ports counts when, walking up the device tree from it,
// the first USB device has vendor 0421 and a product ID listed in section [DAV] of
// KvInquireInfo.ini in this DLL's folder (the list KvInquireInfo.dll's IsDAVDevice answers
// from). A port that the program's port listing already gives a USB cable record is left out,
// so that every port reaches the program's clients once. The names are answered in SetupAPI
// order, separated by commas.
//
// With HITCHED_SIMULATION naming a scenario file, the same rule runs over the simulated
// machine, followed by the scenario's [Machine] SpecialUsbPorts names.
#include "contracts/usb_ports_lib.h"

#include "makerlibs/communication/usb_port_list.h"
#include "platform/detection_platform.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring ModuleFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleFolder), &self);
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return L"";
    }
    std::wstring full(path, n);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

std::string ToAnsi(const std::u16string& text) {
    if (text.empty()) {
        return {};
    }
    const std::wstring wide(text.begin(), text.end());
    // No best fit: it would turn a full-width comma into a list separator.
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()),
                        out.data(), n, nullptr, nullptr);
    return out;
}

bool IsDavProduct(uint16_t product, const std::wstring& ini) {
    wchar_t key[8];
    wsprintfW(key, L"%04X", product);
    return GetPrivateProfileIntW(L"DAV", key, 0, ini.c_str()) != 0;
}

} // namespace

COMMUNICATION_API bool GetUsbPorts(char* ports) {
    if (ports == nullptr) {
        return false;
    }
    const std::unique_ptr<hitched::DetectionPlatform> platform = hitched::OpenDetectionPlatform();
    const std::wstring ini = ModuleFolder() + L"KvInquireInfo.ini";
    std::vector<std::string> names;
    for (const std::u16string& name : hitched::SpecialUsbPortNames(
             *platform, [&ini](uint16_t product) { return IsDavProduct(product, ini); },
             platform->specialUsbPorts)) {
        names.push_back(ToAnsi(name));
    }
    const std::string text = hitched::JoinPortNames(names, hitched::kUsbPortsBufferBytes);
    std::memset(ports, 0, hitched::kUsbPortsBufferBytes);
    std::memcpy(ports, text.data(), text.size()); // at most kUsbPortsBufferBytes - 1
    return !text.empty();
}
