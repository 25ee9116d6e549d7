#pragma once
// The radio of a real machine: the Windows Bluetooth API, loaded at run time. Nothing is
// called beyond the radio search when no radio is found (Wine's stubs end the process).
#include "makerlibs/kvbluetooth/bt_radio.h"

#include <memory>

namespace hitched {

// Null when no Bluetooth API can be loaded at all.
std::shared_ptr<IBtRadio> MakeWindowsBtRadio();

} // namespace hitched
