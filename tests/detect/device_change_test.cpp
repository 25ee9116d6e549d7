// Identification of new devices and the change flag, against a fake inquiry library, lock and
// support list.
#include "detect/device_change.h"
#include "detect/support_list.h"
#include "contracts/utf16_field.h"
#include "tests/detect/detection_fakes.h"
#include "tests/makerlibs/virtual_phone_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace hitched::test {
namespace {

class DeviceChangeTest : public DetectorTest {
protected:
    void Plug(int32_t port) { fresh.AddCopy(static_cast<uint64_t>(port), MakeCableRecord(port)); }
    std::u16string Imei(uint64_t key) {
        _PHONEDEVICEINFO_T* record = nullptr;
        return table.Lookup(key, record) ? FieldString(record->tszIMEI) : u"<absent>";
    }

    CDeviceMap table;
    CDeviceMap fresh;
};

TEST_F(DeviceChangeTest, SupportedPhonesEnterOnceAndAnUnplugRemovesExactlyItsEntry) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-100", u"350000000000001"}},
                  {7, {u"Ostra Mobile", u"OS-200", u"2"}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    _PHONEDEVICEINFO_T* record = nullptr;
    ASSERT_TRUE(table.Lookup(5, record));
    EXPECT_EQ(FieldString(record->tszDllName), u"os100lib.dll");
    EXPECT_EQ(FieldString(record->tszPhoneName), u"Ostra 100");
    EXPECT_EQ(FieldString(record->tszIMEI), u"350000000000001");
    ASSERT_TRUE(fresh.Lookup(5, record)); // the fresh table stays as the pass built it
    EXPECT_EQ(FieldLength(record->tszManufacturer), 0u);
    // The lock is taken with the names as they stood before identification, then released.
    EXPECT_EQ(lock.acquired, std::vector<std::u16string>{u"Quellon-Ostra Hubware() - "});
    EXPECT_FALSE(lock.Held());
    for (const char16_t* line :
         {u"New devices plugged", u"connected type = 1", u"connected port = COM5",
          u"CHitchDlg::IsDeviceChanged(): Phone  is idle.", u"HitchedPhoneInfo success.",
          u"IsDeviceChanged : bIsChanged = 1"}) {
        EXPECT_TRUE(trace.Has(line));
    }

    FakeKvInquirePhone::queries = 0; // the same phones again: no change, no inquiry
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 0);
    EXPECT_TRUE(trace.Has(u"IsDeviceChanged : bIsChanged = 0"));

    Plug(7);
    ASSERT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    CDeviceMap after;
    after.AddCopy(7, MakeCableRecord(7));
    EXPECT_EQ(detector.IsDeviceChanged(table, after), 1);
    EXPECT_EQ(table.GetCount(), 1u);
    EXPECT_EQ(Imei(7), u"2"); // the identified copy, not the fresh record
    EXPECT_EQ(trace.Count(u"Some devices unplugged"), 1);
}

// Giving up after the third: ADeviceThatIsNoPhoneIsLeftAloneWhileItStaysPlugged.
TEST_F(DeviceChangeTest, ThreeTriesWithoutPause) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1", 2}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(FakeKvInquirePhone::queries, 3);
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry..."));
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry again..."));
    EXPECT_FALSE(trace.Has(u"HitchedPhoneInfo failed, end."));
}

TEST_F(DeviceChangeTest, ForeignMakerAndUnlistedModelAreRejectedAndChangeNothingAlone) {
    AnswerPhones({{5, {u"Other Maker", u"X1", u"1"}},
                  {6, {u"Ostra Mobile", u"OS-999", u"2"}},
                  {7, {u"ostra", u"OS-100", u"3"}}, // the maker check is case-sensitive
                  {8, {u"Ostra Mobile", u"OS-200", u"4"}}});
    Plug(5);
    Plug(6);
    Plug(7);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(trace.Count(u"not ostra phone."), 2);
    EXPECT_EQ(trace.Count(u"BroadcastDeviceChanged no dll support"), 1);
    EXPECT_EQ(lock.releases, 3);
    Plug(8); // an accepted phone beside the rejected ones is a change
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(Imei(8), u"4");
}

// Keys 5 and 6 sit in one bucket; the later key is at the front of the chain, so the fresh
// table yields 6 before 5. Whether the one visited last was occupied decides the result.
TEST_F(DeviceChangeTest, OccupiedPhoneVisitedLastClearsTheFlag) {
    AnswerPhones(
        {{5, {u"Ostra Mobile", u"OS-200", u"1"}}, {6, {u"Ostra Mobile", u"OS-200", u"2"}}});
    Plug(5);
    Plug(6);
    struct NthBusy : FakePhoneLock {
        explicit NthBusy(int n) : busyCall(n) {}
        bool Acquire(const std::u16string& name) override {
            return ++calls == busyCall ? false : FakePhoneLock::Acquire(name);
        }
        int busyCall;
        int calls = 0;
    };
    NthBusy secondBusy(2);
    EXPECT_EQ(CDeviceChangeDetector(secondBusy, support).IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(Imei(6), u"2"); // 6 was visited first and entered, yet no change
    EXPECT_EQ(Imei(5), u"<absent>");
    EXPECT_EQ(FakeKvInquirePhone::queries, 1); // an occupied phone is not probed
    EXPECT_TRUE(trace.Has(u"CHitchDlg::IsDeviceChanged(): Phone  is ocuupied."));

    table.RemoveAll();
    NthBusy firstBusy(1);
    EXPECT_EQ(CDeviceChangeDetector(firstBusy, support).IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(Imei(5), u"1");
}

// One device on COM6 pass after pass: the second of the pass, what happens before it, what
// the library answers, and how often the device must be asked. Each row names the fault it
// catches. A device left alone changes nothing; the log says why once, when it is decided.
TEST_F(DeviceChangeTest, ADeviceThatIsNoPhoneIsLeftAloneWhileItStaysPlugged) {
    enum Before { kNothing, kUnplug, kSwap, kRetry, kBusy };
    const std::tuple<uint64_t, Before, uint32_t, int, const char*> passes[] = {
        {0, kBusy, kInquiryNotAPhone, 0, "a device another program holds is asked"},
        {20, kNothing, kInquiryNotAPhone, 3, "a busy device is not asked once free"},
        {40, kNothing, kInquiryNotAPhone, 0, "a device that answered is asked on every pass"},
        {60, kSwap, kInquiryNotAPhone, 3, "another device on the same port is left alone"},
        {80, kNothing, kInquiryNotAPhone, 3, "(the first device is back)"},
        {3600, kNothing, kInquiryNotAPhone, 0, "a device that answered is asked after a pause"},
        {3620, kRetry, kInquiryNotAPhone, 0, "a detection request asks devices that answered"},
        {3640, kUnplug, kInquiryNotAPhone, 0, "(unplugged)"},
        {3660, kNothing, kInquiryNoAnswer, 3, "plugged again, it is not asked"},
        {3719, kNothing, kInquiryNoAnswer, 0, "a silent device is asked before 1 min"},
        {3720, kNothing, kInquiryNoAnswer, 3, "a silent device is never asked again"},
        {4019, kNothing, kInquiryNoAnswer, 0, "the second pause is not 5 min"},
        {4020, kNothing, kInquiryNoPort, 3, "the second pause is not 5 min"},
        {5819, kNothing, kInquiryNoAnswer, 0, "the third pause is not 30 min"},
        {5820, kNothing, kInquiryNoAnswer, 3, "the third pause is not 30 min"},
        {7620, kNothing, kInquiryNoAnswer, 3, "the pauses grow past 30 min"},
        {7621, kRetry, kInquiryNoAnswer, 3, "a detection request does not reach silent devices"},
        {7681, kNothing, kInquiryNoAnswer, 3, "after a request the pauses do not start over"},
        {7981, kNothing, kInquiryIdentified, 1, "a phone that answers late is never listed"},
    };
    VirtualClock clock;
    CDeviceChangeDetector memory(lock, support, clock);
    uint32_t answer = 0;
    FakeKvInquirePhone::hitchedPhoneInfo = [&answer](_PHONEDEVICEINFO_T& info) {
        CopyField(info.tszManufacturer, u"Ostra Mobile");
        CopyField(info.tszPhoneName, u"OS-100");
        return answer;
    };
    for (const auto& [second, before, reply, asked, fault] : passes) {
        SCOPED_TRACE(fault);
        clock.now = 1000 + second * 1000;
        answer = reply;
        fresh.RemoveAll();
        if (before != kUnplug) {
            fresh.AddCopy(6, MakeCableRecord(6, 0, before == kSwap ? 0x0631 : 0x0630));
        }
        if (before == kRetry) {
            memory.RetrySilentDevices();
        }
        lock.busy = before == kBusy ? std::set<std::u16string>{u"Quellon-Ostra Hubware() - "}
                                    : std::set<std::u16string>{};
        FakeKvInquirePhone::queries = 0;
        TraceRecorder::Lines().clear();
        const bool identified = asked > 0 && reply == kInquiryIdentified;
        EXPECT_EQ(memory.IsDeviceChanged(table, fresh), identified ? 1 : 0);
        EXPECT_EQ(FakeKvInquirePhone::queries, asked);
        EXPECT_EQ(trace.Has(u"HitchedPhoneInfo failed, end."), asked == 3);
        const auto& lines = TraceRecorder::Lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const auto& line) { return line.rfind(u"COM6 (USB", 0) == 0; }),
                  asked > 0 && !identified ? 1 : 0);
        EXPECT_FALSE(lock.Held());
    }
}

TEST_F(DeviceChangeTest, LockPhoneReleasesThePreviousLockFirst) {
    _PHONEDEVICEINFO_T record = MakeCableRecord(5);
    CopyField(record.tszPhoneName, u"OS-100");
    CopyField(record.tszIMEI, u"42");
    ASSERT_TRUE(detector.LockPhone(record));
    EXPECT_EQ(lock.acquired.back(), u"Quellon-Ostra Hubware(OS-100) - 42");
    ASSERT_TRUE(detector.LockPhone(record));
    EXPECT_EQ(lock.releases, 1);
    detector.ReleasePhoneLock();
    detector.ReleasePhoneLock(); // nothing held: no second release, no second log line
    EXPECT_EQ(lock.releases, 2);
    EXPECT_EQ(trace.Count(u"ReleaseMutex"), 2);
    // No kernel object name holds a backslash: it would make every lock of this phone fail.
    CopyField(record.tszPhoneName, u"OS\\100");
    CopyField(record.tszIMEI, u"4\\2");
    ASSERT_TRUE(detector.LockPhone(record));
    EXPECT_EQ(lock.acquired.back(), u"Quellon-Ostra Hubware(OS/100) - 4/2");
}

TEST(SupportEntryTest, DllAndDisplayNameRulesAndTheirLimits) {
    const std::u16string fits(75, u'a'); // 75 units and ".dll" fill the 79 of tszDllName
    const struct {
        std::u16string entry, dll, name;
    } cases[] = {
        {u"  os100lib \t, ", u"os100lib.dll", u"OS-100"},
        {u" lib2 ", u"lib2.dll", u"OS-100"},
        {u"lib3, Ostra 3, extra", u"lib3.dll", u"Ostra 3, extra"}, // only the first comma splits
        {fits + u"," + std::u16string(200, u'b'), fits + u".dll", std::u16string(63, u'b')},
        {fits + u"a, Ostra", u"", u"OS-100"}, // a library name that cannot end in .dll: no entry
    };
    for (const auto& c : cases) {
        _PHONEDEVICEINFO_T record{};
        CopyField(record.tszPhoneName, u"OS-100");
        EXPECT_EQ(ApplySupportEntry(record, c.entry), !c.dll.empty());
        EXPECT_EQ(FieldString(record.tszDllName), c.dll);
        EXPECT_EQ(FieldString(record.tszPhoneName), c.name);
    }

    MapProfileReader reader;
    reader.values[{u"Ostra Mobile", u"OS-1"}] = std::u16string(600, u'x');
    _PHONEDEVICEINFO_T record{};
    CopyField(record.tszManufacturer, u"Ostra Mobile");
    CopyField(record.tszPhoneName, u"OS-1");
    EXPECT_EQ(ReadSupportEntry(reader, record).size(), 511u); // the profile buffer's cut
    CopyField(record.tszPhoneName, u"OS-2");
    EXPECT_TRUE(ReadSupportEntry(reader, record).empty());
}

} // namespace
} // namespace hitched::test
