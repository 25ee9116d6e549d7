#include "makerlibs/kvinquire/win_serial_link.h"

#include "makerlibs/kvinquire/kv_trace.h"

#include <cwchar>

namespace hitched {
namespace {

// Once bytes came, this much quiet ends a read. The dialogue reads again until the answer is
// complete, so a short interval only makes answers arrive sooner.
constexpr DWORD kReadIntervalMs = 10;
constexpr DWORD kWriteTimeoutMs = 1000;

// 115200 8N1 without flow control. A USB phone ignores the rate; a pty has no modem lines,
// so when the port refuses DTR and RTS the settings are tried again without them.
void ConfigurePort(HANDLE port, int number) {
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        KvTrace(L"GetCommState COM%d failed, error %lu", number, GetLastError());
        return;
    }
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (SetCommState(port, &dcb)) {
        return;
    }
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(port, &dcb)) {
        KvTrace(L"SetCommState COM%d failed, error %lu", number, GetLastError());
    }
}

} // namespace

std::unique_ptr<WinSerialLink> WinSerialLink::Open(int port) {
    if (port < 1 || port > 256) {
        return nullptr;
    }
    wchar_t name[32];
    swprintf(name, 32, L"\\\\.\\COM%d", port);
    HANDLE handle =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        KvTrace(L"open COM%d failed, error %lu", port, GetLastError());
        return nullptr;
    }
    SetupComm(handle, 4096, 4096);
    ConfigurePort(handle, port);
    std::unique_ptr<WinSerialLink> link(new WinSerialLink(handle));
    link->SetReadTimeout(100);
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return link;
}

WinSerialLink::~WinSerialLink() {
    CloseHandle(m_port);
}

bool WinSerialLink::SetReadTimeout(uint32_t timeoutMs) {
    if (timeoutMs == m_readTimeoutMs) {
        return true;
    }
    // Interval plus total, never the MAXDWORD/MAXDWORD mode: Wine waits the whole total there.
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = timeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(m_port, &timeouts)) {
        return false;
    }
    m_readTimeoutMs = timeoutMs;
    return true;
}

bool WinSerialLink::Write(const char* data, std::size_t size) {
    DWORD written = 0;
    if (!WriteFile(m_port, data, static_cast<DWORD>(size), &written, nullptr)) {
        return false;
    }
    return written == size;
}

int WinSerialLink::Read(char* buffer, std::size_t capacity, uint32_t timeoutMs) {
    if (timeoutMs == 0) {
        return 0;
    }
    if (!SetReadTimeout(timeoutMs)) {
        return -1;
    }
    const ULONGLONG start = GetTickCount64();
    DWORD got = 0;
    if (!ReadFile(m_port, buffer, static_cast<DWORD>(capacity), &got, nullptr)) {
        // Wine reports a read that timed out as ERROR_TIMEOUT; Windows as success, 0 bytes.
        return GetLastError() == ERROR_TIMEOUT ? 0 : -1;
    }
    if (got == 0 && timeoutMs >= 40 && GetTickCount64() - start < timeoutMs / 2) {
        // An empty read long before the time-out: the device behind the port is gone
        // (Wine, when the far end of the pty went away). Do not spin on it.
        return -1;
    }
    return static_cast<int>(got);
}

void WinSerialLink::Purge() {
    PurgeComm(m_port, PURGE_RXCLEAR);
}

} // namespace hitched
