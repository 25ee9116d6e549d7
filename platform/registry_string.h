#pragma once
// Every string the registry, SetupAPI or a USB driver hands over is read through this one
// bounded helper: such a value need not end in a terminator, and its size in bytes may be odd.
#include <cstddef>
#include <string>

namespace hitched {

// The UTF-16LE text in the first `size` bytes at `data`: the whole units before the first NUL
// (a multi-string gives its first string), an odd last byte ignored; never reads past `size`.
std::u16string RegistryString(const void* data, std::size_t size);

} // namespace hitched
