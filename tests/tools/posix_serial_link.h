#pragma once
// The phone dialogue's serial line over a POSIX tty, for running it against phonesim natively.
#include "makerlibs/kvinquire/serial_link.h"

#include <memory>
#include <string>

namespace hitched::test {

class PosixSerialLink : public ISerialLink {
public:
    static std::unique_ptr<PosixSerialLink> Open(const std::string& path);
    ~PosixSerialLink() override;

    bool Write(const char* data, std::size_t size) override;
    int Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) override;
    void Purge() override;

private:
    explicit PosixSerialLink(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace hitched::test
