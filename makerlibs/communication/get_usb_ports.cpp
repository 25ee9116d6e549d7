// communication.dll: GetUsbPorts, the COM ports of the special USB interfaces.
//
// The rule: the special interfaces are the serial functions of DAV devices. A present device
// of class Ports counts when, walking up the device tree from it, the first USB device has
// vendor 0421 and a product ID listed in section [DAV] of KvInquireInfo.ini in this DLL's
// folder (the list KvInquireInfo.dll's IsDAVDevice answers from). Its "PortName" values are
// answered in SetupAPI order, separated by commas.
//
// With HITCHED_SIMULATION naming a scenario file, the answer is that file's
// [Machine] SpecialUsbPorts value instead, as it stands.
#include "detect/usb_ports_lib.h"

#include "makerlibs/communication/usb_port_list.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kDavVendor = 0x0421;
constexpr int kMaxTreeDepth = 8;

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

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

bool SimulationFile(std::wstring& path) {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableW(L"HITCHED_SIMULATION", value, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        return false;
    }
    path.assign(value, n);
    return true;
}

std::string SimulatedPorts(const std::wstring& scenario) {
    std::vector<wchar_t> value(4096, L'\0');
    GetPrivateProfileStringW(L"Machine", L"SpecialUsbPorts", L"", value.data(),
                             static_cast<DWORD>(value.size()), scenario.c_str());
    return hitched::FitPortList(ToAnsi(value.data()), hitched::kUsbPortsBufferBytes);
}

bool IsDavProduct(uint16_t product, const std::wstring& ini) {
    wchar_t key[8];
    wsprintfW(key, L"%04X", product);
    return GetPrivateProfileIntW(L"DAV", key, 0, ini.c_str()) != 0;
}

// The first USB device at or above the node, as vendor and product.
bool UsbAncestor(DEVINST node, uint16_t& vendor, uint16_t& product) {
    for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) == CR_SUCCESS) {
            const std::wstring text(id);
            const std::u16string id16(text.begin(), text.end());
            if (hitched::ParseUsbInstanceId(id16, vendor, product)) {
                return true;
            }
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) {
            return false;
        }
        node = parent;
    }
    return false;
}

std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[64] = {}; // zeroed: a stored value need not carry its terminator
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        return {};
    }
    return ToAnsi(name);
}

std::string DevicePorts(const std::wstring& ini) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::vector<std::string> names;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        uint16_t vendor = 0;
        uint16_t product = 0;
        if (!UsbAncestor(device.DevInst, vendor, product) || vendor != kDavVendor ||
            !IsDavProduct(product, ini)) {
            continue;
        }
        const std::string name = PortNameOf(set, device);
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return hitched::JoinPortNames(names, hitched::kUsbPortsBufferBytes);
}

} // namespace

COMMUNICATION_API bool GetUsbPorts(char* ports) {
    if (ports == nullptr) {
        return false;
    }
    std::wstring scenario;
    const std::string text = SimulationFile(scenario)
                                 ? SimulatedPorts(scenario)
                                 : DevicePorts(ModuleFolder() + L"KvInquireInfo.ini");
    std::memset(ports, 0, hitched::kUsbPortsBufferBytes);
    std::memcpy(ports, text.data(), text.size()); // at most kUsbPortsBufferBytes - 1
    return !text.empty();
}
