#include "detect/device_change.h"

#include "app/trace.h"
#include "contracts/kv_inquire_phone.h"
#include "detect/support_list.h"
#include "contracts/utf16_field.h"

#include <string>
#include <vector>

namespace hitched {

namespace {

// The maker whose phones the suite supports; a case-sensitive part of tszManufacturer.
constexpr std::u16string_view kSupportedMaker = u"Ostra";

} // namespace

IClock& CDeviceChangeDetector::DefaultClock() {
    static SteadyClock clock;
    return clock;
}

bool CDeviceChangeDetector::LockPhone(const _PHONEDEVICEINFO_T& record) {
    ReleasePhoneLock();
    return m_phoneLock.Acquire(PhoneLockName(record));
}

void CDeviceChangeDetector::ReleasePhoneLock() {
    if (m_phoneLock.Held()) {
        Trace(u"ReleaseMutex");
        m_phoneLock.Release();
    }
}

bool CDeviceChangeDetector::RemoveUnplugged(CDeviceMap& table, const CDeviceMap& fresh) {
    // Keys first: removing while walking the chains would pull them from under the cursor.
    std::vector<uint64_t> gone;
    for (auto pos = table.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* record = nullptr;
        table.GetNextAssoc(pos, key, record);
        _PHONEDEVICEINFO_T* present = nullptr;
        if (!fresh.Lookup(key, present)) {
            gone.push_back(key);
        }
    }
    for (uint64_t key : gone) {
        Trace(u"Some devices unplugged");
        table.RemoveKey(key);
    }
    return !gone.empty();
}

bool CDeviceChangeDetector::HasDeviceToAsk(const CDeviceMap& table, const CDeviceMap& fresh) const {
    for (auto pos = fresh.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* record = nullptr;
        fresh.GetNextAssoc(pos, key, record);
        _PHONEDEVICEINFO_T* known = nullptr;
        if (!table.Lookup(key, known) && !m_leftAlone.LeaveAlone(key)) {
            return true;
        }
    }
    return false;
}

uint32_t CDeviceChangeDetector::Identify(CKvInquirePhone& inquiry, _PHONEDEVICEINFO_T& record) {
    static const char16_t* const kAfterFailure[] = {u"HitchedPhoneInfo failed, retry...",
                                                    u"HitchedPhoneInfo failed, retry again...",
                                                    u"HitchedPhoneInfo failed, end."};
    uint32_t failure = kInquiryNoAnswer;
    for (const char16_t* line : kAfterFailure) {
        const uint32_t answer = inquiry.HitchedPhoneInfo(record);
        if (answer == kInquiryIdentified) {
            return answer;
        }
        if (answer == kInquiryNotAPhone) {
            failure = answer;
        }
        Trace(line);
    }
    return failure;
}

int CDeviceChangeDetector::IsDeviceChanged(CDeviceMap& table, const CDeviceMap& fresh) {
    m_leftAlone.StartPass(fresh);
    bool changed = RemoveUnplugged(table, fresh);
    if (HasDeviceToAsk(table, fresh)) {
        changed = true;
    }
    if (!changed) {
        Trace(u"IsDeviceChanged : bIsChanged = %d", 0);
        return 0;
    }

    CKvInquirePhone inquiry;
    int newCount = 0;
    int rejected = 0;
    for (auto pos = fresh.GetStartPosition(); pos != nullptr;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* found = nullptr;
        fresh.GetNextAssoc(pos, key, found);
        _PHONEDEVICEINFO_T* known = nullptr;
        if (table.Lookup(key, known) || m_leftAlone.LeaveAlone(key)) {
            continue;
        }
        // The fresh table stays as the caller gave it: identification fills a copy.
        _PHONEDEVICEINFO_T record = *found;
        ++newCount;
        Trace(u"New devices plugged");
        Trace(u"connected type = %d", static_cast<int>(record.dwConnectType));
        const std::u16string port = FieldString(record.tszSerialPortName);
        Trace(u"connected port = %s", port.c_str());
        changed = true;

        const std::u16string lockedName = FieldString(record.tszPhoneName);
        if (!LockPhone(record)) {
            Trace(u"CHitchDlg::IsDeviceChanged(): Phone %s is ocuupied.", lockedName.c_str());
            changed = false;
            continue;
        }
        Trace(u"CHitchDlg::IsDeviceChanged(): Phone %s is idle.", lockedName.c_str());

        const uint32_t answer = Identify(inquiry, record);
        if (answer != kInquiryIdentified) {
            if (answer == kInquiryNotAPhone) {
                m_leftAlone.NotAPhone(key, *found);
            } else {
                m_leftAlone.NoAnswer(key, *found);
            }
            changed = false;
            ReleasePhoneLock();
            continue;
        }
        Trace(u"HitchedPhoneInfo success.");
        if (FieldView(record.tszManufacturer).find(kSupportedMaker) == std::u16string_view::npos) {
            Trace(u"not ostra phone.");
            m_leftAlone.NotAPhone(key, *found);
            ++rejected;
            ReleasePhoneLock();
            continue;
        }
        const std::u16string entry = ReadSupportEntry(m_supportList, record);
        if (entry.empty() || !ApplySupportEntry(record, entry)) {
            Trace(entry.empty() ? u"BroadcastDeviceChanged no dll support"
                                : u"BroadcastDeviceChanged dll name too long");
            m_leftAlone.NotAPhone(key, *found);
            ++rejected;
            ReleasePhoneLock();
            continue;
        }
        table.AddCopy(key, record);
        m_leftAlone.Identified(key);
        ReleasePhoneLock();
    }
    if (rejected > 0 && rejected == newCount) {
        changed = false;
    }
    Trace(u"IsDeviceChanged : bIsChanged = %d", changed ? 1 : 0);
    return changed ? 1 : 0;
}

} // namespace hitched
