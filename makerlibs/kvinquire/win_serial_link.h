#pragma once
// The phone dialogue's serial line over a Windows COM port (\\.\COMn), 115200 8N1.
#include "makerlibs/kvinquire/serial_link.h"

#include <windows.h>

#include <memory>

namespace hitched {

class WinSerialLink : public ISerialLink {
public:
    // Null when the port cannot be opened (absent, or held by another program).
    static std::unique_ptr<WinSerialLink> Open(int port);
    ~WinSerialLink() override;
    WinSerialLink(const WinSerialLink&) = delete;
    WinSerialLink& operator=(const WinSerialLink&) = delete;

    bool Write(const char* data, std::size_t size) override;
    int Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) override;
    void Purge() override;

private:
    explicit WinSerialLink(HANDLE port) : m_port(port) {}
    bool SetReadTimeout(uint32_t timeoutMs);

    HANDLE m_port;
    uint32_t m_readTimeoutMs = 0xFFFFFFFFu; // what the port is set to now
};

} // namespace hitched
