#pragma once
// The USB pass on this machine: the platform (real, or the simulated machine when
// HITCHED_SIMULATION is set) is bound afresh at the start of every walk, so a rewritten
// scenario takes effect at the next pass.
#include "detect/connect_broadcast.h"
#include "platform/detection_platform.h"

#include <memory>

namespace hitched {

class CWin32UsbPassSteps : public IUsbPassSteps {
public:
    void EnumerateUsbDevices(CDeviceList& devices) override;
    void EnumeratePorts(CDeviceList& devices) override;
    void AddSpecialUsbPorts(CDeviceList& devices) override;
    void TerminateRelaybox() override;

private:
    std::unique_ptr<DetectionPlatform> m_platform; // of the pass in progress
};

} // namespace hitched
