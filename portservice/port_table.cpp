#include "portservice/port_table.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

#include "contracts/utf16_field.h"
#include "portservice/protocol.h"

namespace hitched {
namespace {

bool MentionsCom(const std::u16string& text) {
    return text.find(u"COM") != std::u16string::npos;
}

} // namespace

std::vector<uint8_t> PortTable::Rebuild(const std::vector<const _CONNECTEDPHONE_T*>& phones) {
    // Rows and payload are built before the lock is taken; clients keep working meanwhile.
    std::vector<std::unique_ptr<_PORTPHONEENTRY_T>> fresh;
    std::vector<uint8_t> payload;
    fresh.reserve(phones.size());
    payload.reserve(phones.size() * kSlotBytes);
    for (const _CONNECTEDPHONE_T* phone : phones) {
        if (!phone) {
            continue;
        }
        auto row = std::make_unique<_PORTPHONEENTRY_T>(); // zero-filled: free
        row->stPhoneInfo = *phone;
        AppendPayloadSlot(payload, *phone);
        fresh.push_back(std::move(row));
    }

    // Each name's first new row: where a hold on that name lands. Built once, so carrying the
    // holds costs one lookup per held row instead of a walk of the new rows.
    std::unordered_map<std::u16string_view, _PORTPHONEENTRY_T*> firstByName;
    for (auto& row : fresh) {
        firstByName.emplace(FieldView(row->stPhoneInfo.tszPhoneName), row.get());
    }

    std::lock_guard<std::mutex> guard(m_lock);
    for (const auto& old : m_rows) {
        if (!old->bUsed) {
            continue;
        }
        const auto match = firstByName.find(FieldView(old->stPhoneInfo.tszPhoneName));
        if (match != firstByName.end()) {
            match->second->bUsed = old->bUsed;
            match->second->sOwner = old->sOwner;
        }
    }
    m_rows.swap(fresh); // the old rows are deleted with `fresh`, after the lock is released
    return payload;
}

int PortTable::RequestSerialPort(ClientId client, const std::u16string& portText) {
    if (client == 0 || !MentionsCom(portText)) {
        return kPortInvalid;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& row : m_rows) {
        if (FieldEquals(row->stPhoneInfo.dwSerialPort, portText)) {
            if (row->bUsed) {
                return kPortUsed;
            }
            row->bUsed = 1;
            row->sOwner = client;
            return kPortDone;
        }
    }
    return kPortInvalid;
}

int PortTable::ReleaseSerialPort(ClientId client, const std::u16string& portText) {
    if (client == 0 || !MentionsCom(portText)) {
        return kPortInvalid;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& row : m_rows) {
        if (row->sOwner == client && FieldEquals(row->stPhoneInfo.dwSerialPort, portText)) {
            row->bUsed = 0;
            row->sOwner = 0;
            return kPortDone;
        }
    }
    return kPortInvalid;
}

void PortTable::ReleaseByOwner(ClientId client) {
    if (client == 0) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto& row : m_rows) {
        if (row->sOwner == client) {
            row->bUsed = 0;
            row->sOwner = 0;
        }
    }
}

int PortTable::CopyConnectedPhones(void* buffer, std::size_t bufferBytes) const {
    if (!buffer) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_rows.size() > bufferBytes / sizeof(_CONNECTEDPHONE_T)) {
        return 0;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    int copied = 0;
    for (const auto& row : m_rows) {
        const uint32_t type = row->stPhoneInfo.dwConnectType;
        if (type == kConnUsb || type == kConnBluetooth) {
            std::memcpy(out + copied * sizeof(_CONNECTEDPHONE_T), &row->stPhoneInfo,
                        sizeof(_CONNECTEDPHONE_T));
            ++copied;
        }
    }
    return copied;
}

std::size_t PortTable::Count() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_rows.size();
}

std::vector<uint8_t> PortTable::Payload() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<uint8_t> payload;
    payload.reserve(m_rows.size() * kSlotBytes);
    for (const auto& row : m_rows) {
        AppendPayloadSlot(payload, row->stPhoneInfo);
    }
    return payload;
}

std::vector<_PORTPHONEENTRY_T> PortTable::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<_PORTPHONEENTRY_T> rows;
    rows.reserve(m_rows.size());
    for (const auto& row : m_rows) {
        rows.push_back(*row);
    }
    return rows;
}

void PortTable::Clear() {
    std::vector<std::unique_ptr<_PORTPHONEENTRY_T>> old;
    std::lock_guard<std::mutex> guard(m_lock);
    m_rows.swap(old);
}

} // namespace hitched
