#pragma once
// Stand-ins for what identification and a detection pass ask of the machine: the inquiry
// library (linked in place of KvInquireInfo.dll), the per-phone lock, the support list and the
// settings, and a trace recorder.
#include "app/trace.h"
#include "detect/device_change.h"
#include "contracts/kv_inquire_phone.h"
#include "detect/phone_lock.h"
#include "platform/profile_reader.h"
#include "platform/profile_writer.h"
#include "tests/support/phone_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace hitched::test {

// CKvInquirePhone's members call these hooks; Reset() restores "nothing is identified".
struct FakeKvInquirePhone {
    inline static std::function<uint32_t(_PHONEDEVICEINFO_T&)> hitchedPhoneInfo; // empty: 1
    inline static std::function<int(_PHONEDEVICEINFO_T*)> isDavDevice;           // empty: 0
    inline static int alive = 0;     // objects constructed and not yet destroyed
    inline static int queries = 0;   // HitchedPhoneInfo calls
    inline static int davChecks = 0; // IsDAVDevice calls
    static void Reset() {
        hitchedPhoneInfo = nullptr;
        isDavDevice = nullptr;
        alive = queries = davChecks = 0;
    }
};

// What the phone on each serial port answers to identification; unknown ports fail.
struct PhoneAnswer {
    std::u16string manufacturer;
    std::u16string model;
    std::u16string imei;
    int failuresBeforeSuccess = 0; // answer 2 this many times first
};
void AnswerPhones(const std::map<int32_t, PhoneAnswer>& answers);

// Names in `busy` are held by "another program"; every acquire and release is recorded.
class FakePhoneLock : public IPhoneLock {
public:
    bool Acquire(const std::u16string& name) override {
        acquired.push_back(name);
        m_held = busy.count(name) == 0;
        return m_held;
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

// INI values by (section, key).
class MapProfileReader : public IProfileReader, public IProfileWriter {
public:
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) override {
        auto found = values.find({std::u16string(section), std::u16string(key)});
        return found == values.end() ? std::u16string(fallback) : found->second;
    }
    void WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override {
        values[{std::u16string(section), std::u16string(key)}] = value;
    }
    std::map<std::pair<std::u16string, std::u16string>, std::u16string> values;
};

// Records every trace line while it lives (tests trace from one thread).
class TraceRecorder {
public:
    TraceRecorder() {
        Lines().clear();
        SetTraceSink([](const std::u16string& line) { Lines().push_back(line); });
    }
    ~TraceRecorder() { SetTraceSink(nullptr); }
    static std::vector<std::u16string>& Lines() {
        static std::vector<std::u16string> lines;
        return lines;
    }
    bool Has(std::u16string_view line) const { return Count(line) > 0; }
    int Count(std::u16string_view line) const {
        return static_cast<int>(std::count(Lines().begin(), Lines().end(), line));
    }
};

// The change detector as a pass sees it: a lock, a support list with two models, the trace,
// and an inquiry library that identifies nothing until a test says otherwise.
class DetectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeKvInquirePhone::Reset();
        support.values[{u"Ostra Mobile", u"OS-100"}] = u"os100lib, Ostra 100";
        support.values[{u"Ostra Mobile", u"OS-200"}] = u"os200lib";
    }
    void TearDown() override {
        EXPECT_EQ(FakeKvInquirePhone::alive, 0);
        FakeKvInquirePhone::Reset();
    }

    TraceRecorder trace;
    FakePhoneLock lock;
    MapProfileReader support;
    CDeviceChangeDetector detector{lock, support};
};

} // namespace hitched::test
