#include "platform/win32_usb_host.h"

#include "platform/registry_string.h"
#include "platform/wchar_utf16.h"

#include <windows.h>

#include <setupapi.h>
#include <usbioctl.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace hitched {
namespace {

static_assert(IOCTL_GET_HCD_DRIVERKEY_NAME == 0x220424, "IOCTL_GET_HCD_DRIVERKEY_NAME");
static_assert(IOCTL_USB_GET_ROOT_HUB_NAME == 0x220408, "IOCTL_USB_GET_ROOT_HUB_NAME");
static_assert(IOCTL_USB_GET_NODE_INFORMATION == 0x220408, "IOCTL_USB_GET_NODE_INFORMATION");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX == 0x220448, "..._EX");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION == 0x22040C, "...INFORMATION");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME == 0x220420, "...DRIVERKEY_NAME");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_NAME == 0x220414, "...CONNECTION_NAME");
static_assert(sizeof(USB_NODE_INFORMATION) == 76, "node information request");
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionStatus) ==
                  offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus),
              "both connection requests keep their fields in the same places");

// {3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}
const GUID kUsbHostControllerInterface = {
    0x3abf6f2d, 0x71c4, 0x462a, {0x8a, 0x92, 0x1e, 0x68, 0x61, 0xe6, 0xaf, 0x27}};

// Room for the connection request with its pipe list, as the walk has always asked.
constexpr DWORD kConnectionBufferBytes = 369;
// Longest name taken from a driver; a longer one is cut.
constexpr DWORD kMaxNameBytes = 4096;

HANDLE OpenDevice(const std::wstring& name) {
    return CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

bool Ioctl(HANDLE h, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
           DWORD& returned) {
    returned = 0;
    return DeviceIoControl(h, code, in, inSize, out, outSize, &returned, nullptr) != FALSE;
}

// A name request in two steps: the fixed part with room for one character tells the length;
// the second request fetches the whole name, which is read within the bytes returned
// because a driver need not terminate it. `header` is the request's fixed part (the fields
// before the name, with the port number filled in where there is one); `nameOffset` is where
// the name starts.
bool AskName(HANDLE h, DWORD code, const std::vector<BYTE>& header, std::size_t nameOffset,
             std::size_t lengthOffset, std::u16string& name) {
    std::vector<BYTE> probe(header);
    probe.resize(nameOffset + sizeof(WCHAR), 0);
    DWORD returned = 0;
    if (!Ioctl(h, code, probe.data(), static_cast<DWORD>(probe.size()), probe.data(),
               static_cast<DWORD>(probe.size()), returned)) {
        return false;
    }
    ULONG actual = 0;
    std::memcpy(&actual, probe.data() + lengthOffset, sizeof actual);
    if (actual <= nameOffset) {
        return false;
    }
    const DWORD size = std::min<DWORD>(actual, kMaxNameBytes);
    std::vector<BYTE> full(header);
    full.resize(std::max<std::size_t>(size, nameOffset + sizeof(WCHAR)), 0);
    if (!Ioctl(h, code, full.data(), static_cast<DWORD>(full.size()), full.data(),
               static_cast<DWORD>(full.size()), returned)) {
        return false;
    }
    name = RegistryString(full.data() + nameOffset, full.size() - nameOffset);
    return true;
}

class Win32UsbController : public IUsbController {
public:
    explicit Win32UsbController(HANDLE h) : m_handle(h) {}
    ~Win32UsbController() override { CloseHandle(m_handle); }

    bool DriverKeyName(std::u16string& name) override {
        return AskName(m_handle, IOCTL_GET_HCD_DRIVERKEY_NAME, {},
                       offsetof(USB_HCD_DRIVERKEY_NAME, DriverKeyName),
                       offsetof(USB_HCD_DRIVERKEY_NAME, ActualLength), name);
    }
    bool RootHubName(std::u16string& name) override {
        return AskName(m_handle, IOCTL_USB_GET_ROOT_HUB_NAME, {},
                       offsetof(USB_ROOT_HUB_NAME, RootHubName),
                       offsetof(USB_ROOT_HUB_NAME, ActualLength), name);
    }

private:
    HANDLE m_handle;
};

class Win32UsbHub : public IUsbHub {
public:
    explicit Win32UsbHub(HANDLE h) : m_handle(h) {}
    ~Win32UsbHub() override { CloseHandle(m_handle); }

    bool PortCount(uint32_t& ports) override {
        USB_NODE_INFORMATION info = {};
        DWORD returned = 0;
        if (!Ioctl(m_handle, IOCTL_USB_GET_NODE_INFORMATION, &info, sizeof info, &info, sizeof info,
                   returned)) {
            return false;
        }
        ports = info.u.HubInformation.HubDescriptor.bNumberOfPorts;
        return true;
    }

    bool ConnectionInformationEx(uint32_t port, UsbConnection& connection) override {
        return Connection(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, port, connection);
    }
    bool ConnectionInformation(uint32_t port, UsbConnection& connection) override {
        return Connection(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, port, connection);
    }

    bool ConnectionDriverKeyName(uint32_t port, std::u16string& name) override {
        return AskName(m_handle, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, PortHeader(port),
                       offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName),
                       offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ActualLength), name);
    }
    bool ConnectionName(uint32_t port, std::u16string& name) override {
        return AskName(m_handle, IOCTL_USB_GET_NODE_CONNECTION_NAME, PortHeader(port),
                       offsetof(USB_NODE_CONNECTION_NAME, NodeName),
                       offsetof(USB_NODE_CONNECTION_NAME, ActualLength), name);
    }

private:
    // The ConnectionIndex field that opens both per-port name requests.
    static std::vector<BYTE> PortHeader(uint32_t port) {
        std::vector<BYTE> header(sizeof(ULONG), 0);
        const ULONG index = port;
        std::memcpy(header.data(), &index, sizeof index);
        return header;
    }

    bool Connection(DWORD code, uint32_t port, UsbConnection& connection) {
        alignas(8) BYTE buffer[kConnectionBufferBytes] = {};
        auto* info = reinterpret_cast<USB_NODE_CONNECTION_INFORMATION_EX*>(buffer);
        info->ConnectionIndex = port;
        DWORD returned = 0;
        if (!Ioctl(m_handle, code, buffer, sizeof buffer, buffer, sizeof buffer, returned)) {
            return false;
        }
        connection.connectionStatus = static_cast<uint32_t>(info->ConnectionStatus);
        connection.deviceIsHub = info->DeviceIsHub != FALSE;
        connection.idVendor = info->DeviceDescriptor.idVendor;
        connection.idProduct = info->DeviceDescriptor.idProduct;
        return true;
    }

    HANDLE m_handle;
};

} // namespace

std::unique_ptr<IUsbController> Win32UsbHost::OpenController(const std::u16string& path) {
    HANDLE h = OpenDevice(ToWString(path));
    if (h == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32UsbController>(h);
}

std::vector<std::u16string> Win32UsbHost::HostControllerInterfaces() {
    std::vector<std::u16string> paths;
    HDEVINFO set = SetupDiGetClassDevsW(&kUsbHostControllerInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return paths;
    }
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof iface;
    for (DWORD i = 0;
         SetupDiEnumDeviceInterfaces(set, nullptr, &kUsbHostControllerInterface, i, &iface); ++i) {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            continue;
        }
        std::vector<BYTE> buffer(required + sizeof(WCHAR), 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, required, nullptr, nullptr)) {
            const std::size_t path = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
            paths.push_back(RegistryString(buffer.data() + path, required - path));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

std::unique_ptr<IUsbHub> Win32UsbHost::OpenHub(const std::u16string& hubName) {
    HANDLE h = OpenDevice(L"\\\\.\\" + ToWString(hubName));
    if (h == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32UsbHub>(h);
}

} // namespace hitched
