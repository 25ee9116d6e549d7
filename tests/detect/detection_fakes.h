#pragma once
// Stand-ins for what identification and a detection pass ask of the machine: the per-phone
// lock, the support list and the settings, and a trace recorder.
#include "detect/phone_device_info.h"
#include "detect/phone_lock.h"
#include "detect/utf16_field.h"
#include "platform/profile_reader.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace hitched::test {

// Names in `busy` are held by "another program"; every acquire and release is recorded.
class FakePhoneLock : public IPhoneLock {
public:
    bool Acquire(const std::u16string& name) override {
        acquired.push_back(name);
        if (busy.count(name) != 0) {
            return false;
        }
        m_held = true;
        return true;
    }
    bool Held() const override { return m_held; }
    void Release() override {
        m_held = false;
        ++releases;
    }

    std::set<std::u16string> busy;
    std::vector<std::u16string> acquired;
    int releases = 0;

private:
    bool m_held = false;
};

// INI values by (section, key); counts its reads so tests can see nothing is cached.
class MapProfileReader : public IProfileReader {
public:
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override {
        ++reads;
        auto found = values.find({std::u16string(section), std::u16string(key)});
        return found == values.end() ? std::u16string(fallback) : found->second;
    }
    std::map<std::pair<std::u16string, std::u16string>, std::u16string> values;
    int reads = 0;
};

// Records every trace line while it lives.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    static std::vector<std::u16string>& Lines();
    bool Has(std::u16string_view line) const;
    int Count(std::u16string_view line) const;
};

// A USB cable device on COM<port>, keyed by that port number.
_PHONEDEVICEINFO_T CablePhone(int32_t port);

// A fake identification: the phone on each port answers with these values (0 = success).
struct PhoneAnswer {
    std::u16string manufacturer;
    std::u16string model;
    std::u16string imei;
    int failuresBeforeSuccess = 0; // answer 2 this many times first
};

// Installs the answers as the fake inquiry library's behaviour; unknown ports fail.
void AnswerPhones(const std::map<int32_t, PhoneAnswer>& answers);

std::string Narrow(std::u16string_view text);

} // namespace hitched::test
