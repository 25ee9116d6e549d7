#include "makerlibs/kvinquire/win_serial_link.h"

#include "makerlibs/kvinquire/kv_trace.h"
#include "makerlibs/kvinquire/line_setup.h"

#include <algorithm>
#include <cwchar>

namespace hitched {
namespace {

// Once bytes came, this much quiet ends a read. The dialogue reads again until the answer is
// complete, so a short interval only makes answers arrive sooner.
constexpr DWORD kReadIntervalMs = 10;
constexpr DWORD kWriteTimeoutMs = 1000;

// A pause instead of a spin when a port answers a read with nothing long before its time-out.
constexpr DWORD kEmptyReadPauseMs = 20;

// The DCB of one set-up: 115200 8N1 on top of the port's current settings, and for the full
// set-ups no flow control and the modem lines as the set-up wants them.
DCB SettingsFor(const DCB& current, LineSetup setup) {
    DCB dcb = current;
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (setup == LineSetup::RateAndFraming) {
        return dcb;
    }
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    const bool lines = RaisesModemLines(setup);
    dcb.fDtrControl = lines ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = lines ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    return dcb;
}

void ConfigurePort(HANDLE port, int number) {
    DCB current = {};
    current.DCBlength = sizeof current;
    if (!GetCommState(port, &current)) {
        KvTrace(L"GetCommState COM%d failed, error %lu", number, GetLastError());
        return;
    }
    const std::optional<LineSetup> setup = SetUpLine([&](LineSetup candidate) {
        DCB dcb = SettingsFor(current, candidate);
        return SetCommState(port, &dcb) != FALSE;
    });
    if (!setup) {
        KvTrace(L"SetCommState COM%d failed, error %lu", number, GetLastError());
        return;
    }
    if (*setup == LineSetup::WithoutModemLines) {
        KvTrace(L"COM%d has no modem lines: DTR and RTS off", number);
        return;
    }
    // Raised explicitly too, whatever the driver made of the DCB; a port without the lines
    // refuses, and that refusal alone is ignored.
    EscapeCommFunction(port, SETDTR);
    EscapeCommFunction(port, SETRTS);
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
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (got == 0 && elapsed < timeoutMs) {
        // Some virtual COM drivers (and Wine, once the far end of a pty went away) answer
        // with nothing long before the time-out. Not a failed line: the caller reads again
        // until its own time-out, and this pause keeps that from spinning.
        Sleep(static_cast<DWORD>(std::min<ULONGLONG>(kEmptyReadPauseMs, timeoutMs - elapsed)));
    }
    return static_cast<int>(got);
}

void WinSerialLink::Purge() {
    PurgeComm(m_port, PURGE_RXCLEAR);
}

} // namespace hitched
