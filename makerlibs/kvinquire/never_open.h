#pragma once
// USB devices that the library never opens: development boards, programmers and debug probes
// that are never phones. Opening a port raises DTR, which resets many boards, and the AT
// commands are garbage to them; a device listed here fails identification at once instead.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace hitched {

// The settings of section [NeverOpen]: key "VVVV" (a whole vendor) or "VVVV:PPPP" (one
// product), four hexadecimal digits each; the value of a key, or -1 when the key is missing.
using NeverOpenSetting = std::function<int(std::u16string_view key)>;

// True when the device must not be opened: its product's key has a nonzero value, or its
// product has no key and its vendor's key has a nonzero value. A product key of 0 lets a user
// probe one product of a listed vendor.
bool IsNeverOpened(uint16_t vendorId, uint16_t productId, const NeverOpenSetting& setting);

// The two keys of a device: "VVVV" and "VVVV:PPPP", upper-case hexadecimal.
std::u16string VendorKey(uint16_t vendorId);
std::u16string ProductKey(uint16_t vendorId, uint16_t productId);

} // namespace hitched
