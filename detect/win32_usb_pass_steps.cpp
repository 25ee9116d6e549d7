#include "detect/win32_usb_pass_steps.h"

// <windows.h> maps EnumPorts to the print spooler's EnumPortsW; ours is the COM port pass.
#ifdef EnumPorts
#undef EnumPorts
#endif

#include "enumeration/port_enumeration.h"
#include "detect/relaybox.h"
#include "detect/dav_usb_ports.h"
#include "enumeration/usb_tree_walk.h"

namespace hitched {

void CWin32UsbPassSteps::EnumerateUsbDevices(CDeviceList& devices) {
    m_platform = OpenDetectionPlatform();
    if (m_platform) {
        ::EnumerateUsbDevices(devices, *m_platform);
    }
}

void CWin32UsbPassSteps::EnumeratePorts(CDeviceList& devices) {
    if (m_platform) {
        ::EnumPorts(devices, *m_platform);
    }
}

void CWin32UsbPassSteps::AddSpecialUsbPorts(CDeviceList& devices) {
    ::AddSpecialUsbPorts(devices);
}

void CWin32UsbPassSteps::TerminateRelaybox() {
    ::TerminateRelaybox();
}

} // namespace hitched
