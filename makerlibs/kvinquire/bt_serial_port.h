#pragma once
// Which COM port belongs to a Bluetooth phone. Windows gives each paired device's serial-port
// service a port of its own, a device of the Bluetooth enumerator whose instance ID names the
// service and ends in the device's address:
//   BTHENUM\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&000F\7&2A1E3B4C&0&0019B7A1C2D3_C00000000
// (an incoming port, which no phone is behind, carries twelve zeros instead).
#include <cstdint>
#include <string_view>

namespace hitched {

// Whether the instance ID is the serial-port service of the device with this address.
bool IsBluetoothSerialPortOf(std::u16string_view instanceId, uint64_t address);

// The port number bound to the device: on the simulated machine the paired scenario device's
// SerialPort, on Windows the present port whose instance ID matches. 0 when there is none.
int FindBluetoothSerialPort(uint64_t address);

} // namespace hitched
