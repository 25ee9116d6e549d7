#include "platform/win32_device_tree.h"

#include "platform/registry_string.h"
#include "platform/wchar_utf16.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <vector>

namespace hitched {
namespace {

constexpr ULONG kDeviceIdChars = 260;
constexpr DWORD kEnumDriverBytes = 260;
constexpr DWORD kDriverPropertyBytes = 1024;

// The text of the first `bytes` bytes the call wrote, bounded by the buffer as well.
std::u16string TextOf(const std::vector<BYTE>& buffer, std::size_t bytes) {
    return RegistryString(buffer.data(), std::min(bytes, buffer.size()));
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_MULTI_SZ;
}

// A device's registry property: the size asked for first, then read into a buffer of
// (size x 2 + 1) bytes, the way the port listing has always sized it.
RegistryText DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    RegistryText result;
    DWORD type = 0;
    DWORD required = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &required) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return result; // no such property
    }
    result.exists = true;
    result.isText = IsText(type);
    if (!result.isText) {
        return result;
    }
    std::vector<BYTE> buffer(required * 2 + 1, 0);
    DWORD written = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, buffer.data(),
                                           static_cast<DWORD>(buffer.size() - sizeof(WCHAR)),
                                           &written)) {
        result.exists = false;
        result.isText = false;
        return result;
    }
    result.text = TextOf(buffer, written);
    return result;
}

// A value of an open key: size first, then the value into a zeroed buffer.
RegistryText KeyValue(HKEY key, const wchar_t* name) {
    RegistryText result;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return result;
    }
    result.exists = true;
    result.isText = IsText(type);
    if (!result.isText) {
        return result;
    }
    std::vector<BYTE> buffer(size + sizeof(WCHAR), 0);
    DWORD read = size;
    if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &read) != ERROR_SUCCESS) {
        result.exists = false;
        result.isText = false;
        return result;
    }
    result.text = TextOf(buffer, read);
    return result;
}

} // namespace

bool Win32DeviceTree::Root(DevNode& node) {
    DEVINST root = 0;
    if (CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) {
        return false;
    }
    node = root;
    return true;
}

bool Win32DeviceTree::FirstChild(DevNode parent, DevNode& child) {
    DEVINST c = 0;
    if (CM_Get_Child(&c, parent, 0) != CR_SUCCESS) {
        return false;
    }
    child = c;
    return true;
}

bool Win32DeviceTree::NextSibling(DevNode node, DevNode& sibling) {
    DEVINST s = 0;
    if (CM_Get_Sibling(&s, node, 0) != CR_SUCCESS) {
        return false;
    }
    sibling = s;
    return true;
}

bool Win32DeviceTree::Parent(DevNode node, DevNode& parent) {
    DEVINST p = 0;
    if (CM_Get_Parent(&p, node, 0) != CR_SUCCESS) {
        return false;
    }
    parent = p;
    return true;
}

bool Win32DeviceTree::DeviceId(DevNode node, std::u16string& id) {
    WCHAR buffer[kDeviceIdChars + 1] = {};
    if (CM_Get_Device_IDW(node, buffer, kDeviceIdChars, 0) != CR_SUCCESS) {
        return false;
    }
    id = AsUtf16(buffer);
    return true;
}

bool Win32DeviceTree::Property(DevNode node, NodeProperty which, std::u16string& value) {
    const ULONG property = which == NodeProperty::Driver ? CM_DRP_DRIVER : CM_DRP_DEVICEDESC;
    ULONG type = 0;
    ULONG size = 0;
    CONFIGRET rc = CM_Get_DevNode_Registry_PropertyW(node, property, &type, nullptr, &size, 0);
    if ((rc != CR_BUFFER_SMALL && rc != CR_SUCCESS) || size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size + sizeof(WCHAR), 0);
    ULONG read = size;
    rc = CM_Get_DevNode_Registry_PropertyW(node, property, &type, buffer.data(), &read, 0);
    if (rc != CR_SUCCESS || !IsText(type)) {
        return false;
    }
    value = TextOf(buffer, read);
    return true;
}

EnumDriver Win32DeviceTree::EnumKeyDriver(const std::u16string& deviceId, std::u16string& driver) {
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Enum\\" + ToWString(deviceId);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return EnumDriver::NoKey;
    }
    std::vector<BYTE> buffer(kEnumDriverBytes + sizeof(WCHAR), 0);
    DWORD size = kEnumDriverBytes;
    DWORD type = 0;
    const LONG rc = RegQueryValueExW(key, L"Driver", nullptr, &type, buffer.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || !IsText(type)) {
        return EnumDriver::NoValue;
    }
    driver = TextOf(buffer, size);
    return EnumDriver::Value;
}

std::vector<ClassDevice> Win32DeviceClasses::PresentDevicesOfClass(std::u16string_view className) {
    std::vector<ClassDevice> devices;
    const std::wstring name = ToWString(className);
    DWORD count = 0;
    SetupDiClassGuidsFromNameW(name.c_str(), nullptr, 0, &count);
    if (count == 0) {
        return devices;
    }
    std::vector<GUID> guids(count);
    if (!SetupDiClassGuidsFromNameW(name.c_str(), guids.data(), count, &count) || count == 0) {
        return devices;
    }
    HDEVINFO set = SetupDiGetClassDevsW(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return devices;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        ClassDevice d;
        d.node = device.DevInst;
        d.friendlyName = DeviceProperty(set, device, SPDRP_FRIENDLYNAME);
        d.description = DeviceProperty(set, device, SPDRP_DEVICEDESC);
        HKEY key =
            SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key != INVALID_HANDLE_VALUE) {
            d.hardwareKeyOpened = true;
            d.portName = KeyValue(key, L"PortName");
            RegCloseKey(key);
        }
        devices.push_back(std::move(d));
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

std::vector<EnumeratedDevice> Win32DeviceClasses::PresentDevicesOf(std::u16string_view enumerator) {
    std::vector<EnumeratedDevice> devices;
    const std::wstring text = ToWString(enumerator);
    HDEVINFO set =
        SetupDiGetClassDevsW(nullptr, text.c_str(), nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        return devices;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        EnumeratedDevice d;
        d.node = device.DevInst;
        std::vector<BYTE> buffer(kDriverPropertyBytes + sizeof(WCHAR), 0);
        DWORD type = 0;
        DWORD written = 0;
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DRIVER, &type, buffer.data(),
                                              kDriverPropertyBytes, &written) &&
            IsText(type)) {
            d.driver.exists = true;
            d.driver.isText = true;
            d.driver.text = TextOf(buffer, written);
        }
        devices.push_back(std::move(d));
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

} // namespace hitched
