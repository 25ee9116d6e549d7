#pragma once
// The USB host seam over the Windows USB I/O controls (the hub walk of Microsoft's USBView
// sample: names asked for in two steps, length first, and copied into zeroed buffers).
#include "platform/usb_host.h"

namespace hitched {

class Win32UsbHost : public IUsbHost {
public:
    std::unique_ptr<IUsbController> OpenController(const std::u16string& path) override;
    std::vector<std::u16string> HostControllerInterfaces() override;
    std::unique_ptr<IUsbHub> OpenHub(const std::u16string& hubName) override;
};

} // namespace hitched
