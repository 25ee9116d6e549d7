#pragma once
// Text that a device says about itself (AT answers, Bluetooth names) ends up in the wizard's
// lists, in every client's records and in the debug log. Before it is stored it loses what
// could corrupt those: control characters, characters that reorder or hide text, and broken
// UTF-16.
#include <string>
#include <string_view>

namespace hitched {

// The text without C0 and C1 controls, DEL, direction marks, embeddings, overrides and
// isolates, zero-width characters, the byte-order mark, line and paragraph separators; a
// lone surrogate becomes U+FFFD.
std::u16string DeviceText(std::u16string_view text);

} // namespace hitched
