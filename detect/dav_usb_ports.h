#pragma once
// The special USB ports of a DAV device: communication.dll names them in one comma-separated
// ANSI text, and each name becomes a record of type 4 keyed 99999999 + n (n from 1).
#include "contracts/device_list.h"
#include "contracts/usb_ports_lib.h"

#include <string>
#include <string_view>

namespace hitched {

// GetUsbPorts' shape, so tests and the simulation can stand in for the library.
using GetUsbPortsFunction = bool (*)(char* ports);
// Converts the library's ANSI text (the system code page on Windows).
using AnsiDecoder = std::u16string (*)(std::string_view ansi);

} // namespace hitched

// Appends one type-4 record per name of the list; 1 when the library gave a non-empty list,
// else 0. A null decoder widens each byte as it stands.
int AddSpecialUsbPorts(CDeviceList& devices, hitched::GetUsbPortsFunction getUsbPorts,
                       hitched::AnsiDecoder decode = nullptr);

#ifdef _WIN32
// The same over communication.dll's GetUsbPorts and the ANSI code page.
int AddSpecialUsbPorts(CDeviceList& devices);
#endif
