// The one switch between the real machine and the simulated one: HITCHED_SIMULATION.
#include "platform/detection_platform.h"

#include "platform/scenario.h"
#include "platform/simulated_machine.h"
#include "platform/wchar_utf16.h"
#include "platform/win32_device_tree.h"
#include "platform/win32_profile_reader.h"
#include "platform/win32_simulation_file.h"
#include "platform/win32_usb_host.h"

namespace hitched {

std::unique_ptr<DetectionPlatform> OpenDetectionPlatform() {
    const std::u16string scenario = SimulationFile();
    if (!scenario.empty()) {
        Win32ProfileReader reader(scenario);
        auto platform = MakeSimulatedPlatform(LoadScenario(reader));
        platform->scenarioPath = scenario;
        return platform;
    }
    auto platform = std::make_unique<DetectionPlatform>();
    platform->usb = std::make_unique<Win32UsbHost>();
    platform->tree = std::make_unique<Win32DeviceTree>();
    platform->classes = std::make_unique<Win32DeviceClasses>();
    return platform;
}

} // namespace hitched
