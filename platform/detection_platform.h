#pragma once
// The operating system as detection sees it, bound once per detection pass: the Win32
// implementations, or, when the environment variable HITCHED_SIMULATION names a scenario
// file, the simulated machine read from that file at this moment (so a test changes the
// machine by rewriting the file before the next pass).
#include "platform/device_classes.h"
#include "platform/device_tree.h"
#include "platform/usb_host.h"

#include <memory>
#include <string>

namespace hitched {

struct DetectionPlatform {
    std::unique_ptr<IUsbHost> usb;
    std::unique_ptr<IDeviceTree> tree;
    std::unique_ptr<IDeviceClasses> classes;
    bool simulated = false;
    std::u16string scenarioPath;    // when simulated
    std::u16string specialUsbPorts; // when simulated: the ports listed beyond the device tree
};

// Windows builds: binds the platform for one pass (see above).
std::unique_ptr<DetectionPlatform> OpenDetectionPlatform();

} // namespace hitched
