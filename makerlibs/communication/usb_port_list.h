#pragma once
// The portable rules of communication.dll: which ports it names, how the answer text is put
// together and how a USB device is recognised from its instance ID.
#include "platform/detection_platform.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hitched {

// The names joined by commas (empty ones too) into at most capacity - 1 bytes (the terminator
// needs the last one). A name that no longer fits is left out with all that follow, never cut
// in half.
std::string JoinPortNames(const std::vector<std::string>& names, std::size_t capacity);

// The same limit for a text given as a whole (the simulated machine's list): cut after the
// last complete name that fits.
std::string FitPortList(std::string_view text, std::size_t capacity);

// Vendor and product of a USB instance ID such as "USB\VID_0421&PID_0500&MI_02\6&1a2b&0&0002";
// false for an ID of another bus or without the two numbers.
bool ParseUsbInstanceId(std::u16string_view id, uint16_t& vendor, uint16_t& product);

// The special USB ports: the "PortName" of every present device of class Ports whose nearest
// USB ancestor is a DAV device (vendor 0421, a product isDavProduct accepts; a name with a
// comma, which the answer's list would split, is left out), in SetupAPI order,
// then the names of `listed` (a comma list taken as it stands: the simulated machine's ports
// that have no place in its tree). A port that the port listing gives a USB cable record (as
// its serial or its modem port) is left out: every port reaches the clients in one record.
std::vector<std::u16string> SpecialUsbPortNames(DetectionPlatform& platform,
                                                const std::function<bool(uint16_t)>& isDavProduct,
                                                std::u16string_view listed);

} // namespace hitched
