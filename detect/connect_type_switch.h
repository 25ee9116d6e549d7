#pragma once
// The connection-type switches under [Enable_connect] of hitched.dat, read on every use.
#include "platform/profile_reader.h"

namespace hitched {

constexpr int kConnectTypeSwitchCount = 7;

// Key of switch 0..6 ("Bluetooth (Microsoft)" .. "USB Cable"); nullptr for any other index.
const char16_t* ConnectTypeSwitchKey(int index);

// True when the value is "1" or the key is missing; false for any other value and for an
// index outside 0..6.
bool IsConnectTypeEnabled(IProfileReader& settings, int index);

} // namespace hitched
