#include "tests/tools/posix_serial_link.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace hitched::test {
namespace {

// Like a COM port's interval time-out: once bytes came, this much quiet ends the read.
constexpr int kIntervalMs = 5;

} // namespace

std::unique_ptr<PosixSerialLink> PosixSerialLink::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    return std::unique_ptr<PosixSerialLink>(new PosixSerialLink(fd));
}

PosixSerialLink::~PosixSerialLink() {
    close(m_fd);
}

bool PosixSerialLink::Write(const char* data, std::size_t size) {
    return write(m_fd, data, size) == static_cast<ssize_t>(size);
}

int PosixSerialLink::Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t got = 0;
    while (got < capacity) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        const int wait =
            got == 0 ? static_cast<int>(left) : static_cast<int>(std::min<long>(left, kIntervalMs));
        pollfd p = {m_fd, POLLIN, 0};
        const int ready = poll(&p, 1, wait);
        if (ready < 0) {
            return -1;
        }
        if (ready == 0) {
            if (got > 0) {
                break;
            }
            continue;
        }
        const ssize_t n = read(m_fd, buffer + got, capacity - got);
        if (n < 0) {
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<int>(got);
}

void PosixSerialLink::Purge() {
    tcflush(m_fd, TCIFLUSH);
}

} // namespace hitched::test
