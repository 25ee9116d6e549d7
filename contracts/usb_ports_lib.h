#pragma once
// communication.dll: names the COM ports of the special USB interfaces. Linked at load time;
// importers need no attribute (the import library's thunk resolves the call).

#include <cstddef>

#if defined(_WIN32) && defined(COMMUNICATION_EXPORTS)
#define COMMUNICATION_API extern "C" __declspec(dllexport)
#else
#define COMMUNICATION_API extern "C"
#endif

// Fills the caller's buffer of kUsbPortsBufferBytes with a NUL-terminated ANSI text, the
// port names separated by commas (for example "COM3,COM4"); true when it did.
COMMUNICATION_API bool GetUsbPorts(char* ports);

namespace hitched {
constexpr std::size_t kUsbPortsBufferBytes = 1024;
} // namespace hitched
