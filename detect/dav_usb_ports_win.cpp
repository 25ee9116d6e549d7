// The special USB ports as the program asks for them: communication.dll's GetUsbPorts, its
// text read in the ANSI code page.
#include "detect/dav_usb_ports.h"

#include <windows.h>

namespace {

std::u16string FromAnsiCodePage(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    const int n =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return std::u16string(wide.begin(), wide.end());
}

} // namespace

int AddSpecialUsbPorts(CDeviceList& devices) {
    return AddSpecialUsbPorts(devices, &::GetUsbPorts, FromAnsiCodePage);
}
