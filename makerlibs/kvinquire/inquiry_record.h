#pragma once
// What KvInquireInfo.dll reads from and writes into the detected-device record, kept portable
// so that the rules are tested natively.
#include "contracts/phone_device_info.h"
#include "makerlibs/kvinquire/phone_identifier.h"

#include <string>
#include <vector>

namespace hitched {

// The COM port numbers to ask, in order: the serial port, then the modem port. A special USB
// port record names its port in text ("COM3") only. A Bluetooth record is asked over the
// serial port bound to the device, when detection found one.
std::vector<int> PortsToAsk(const _PHONEDEVICEINFO_T& record);

// "COMn" in any case, n from 1 to 256, as a port number; 0 for anything else.
int ComPortNumber(std::u16string_view text);

// Writes manufacturer, model and IMEI, each cut to its field; touches nothing else.
void StoreIdentity(_PHONEDEVICEINFO_T& record, const PhoneIdentity& identity);

// The key of a product ID in the [DAV] section: four upper-case hexadecimal digits.
std::u16string DavKey(uint16_t productId);

// Timings from the optional [Timing] section of KvInquireInfo.ini (a value < 0 means the key
// is missing), held within sane limits so that a bad file cannot stall a detection pass.
AtTimings TimingsFromSettings(int probeTimeoutMs, int probeAttempts, int commandTimeoutMs,
                              int budgetMs);

} // namespace hitched
