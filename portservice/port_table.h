#pragma once
// The port service's phone table: one row per connected phone, each with the hold a client may
// have on that phone's serial port. Every method takes the table's own lock, so client
// threads, the detection thread and the dialog may call it at any time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "portservice/connected_phone.h"

namespace hitched {

// Opaque identity of a client connection, stored in sOwner; 0 = nobody, never a client.
using ClientId = uint32_t;

enum PortResult : int { kPortDone = 0, kPortInvalid = 11, kPortUsed = 22 };

// One payload slot on the wire: the 2056-byte record followed by 2056 zero bytes.
constexpr std::size_t kSlotBytes = 4112;

class PortTable {
public:
    PortTable() = default;
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // Replaces the rows by copies of phones (null pointers are skipped), carrying every hold
    // over to the first new row with the same phone name; holds on phones that went away
    // vanish. Returns the payload for the push: one kSlotBytes slot per new row.
    std::vector<uint8_t> Rebuild(const std::vector<const _CONNECTEDPHONE_T*>& phones);

    // portText is everything the client sent after the command keyword.
    // Request: 11 without "COM" or without a row whose serial port text equals portText,
    // 22 when that row is held (by anyone, the asker included), else the client holds it: 0.
    int RequestSerialPort(ClientId client, const std::u16string& portText);
    // Release: 0 when the first row with that port text held by this client was freed, else 11.
    int ReleaseSerialPort(ClientId client, const std::u16string& portText);
    // The client's connection ended: every row it holds is freed.
    void ReleaseByOwner(ClientId client);

    // Copies the records of the USB and Bluetooth rows back to back (2056 bytes each) and
    // returns how many. 0 without copying when buffer is null or when the whole table, rows of
    // every type counted, would not fit at 2056 bytes a row.
    int CopyConnectedPhones(void* buffer, std::size_t bufferBytes) const;

    std::size_t Count() const;
    std::vector<uint8_t> Payload() const;            // current rows as a list-reply payload
    std::vector<_PORTPHONEENTRY_T> Snapshot() const; // copies of the rows, for tests/diagnostics
    void Clear();                                    // server stop: every row goes

private:
    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<_PORTPHONEENTRY_T>> m_rows;
};

} // namespace hitched
