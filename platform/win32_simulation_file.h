#pragma once
// HITCHED_SIMULATION: the scenario file that stands in for the machine's USB and Bluetooth
// hardware, or empty on a real machine.
#include <string>

namespace hitched {

std::u16string SimulationFile();

} // namespace hitched
