// Identification of new devices and the change flag, against a fake inquiry library, lock and
// support list.
#include "detect/device_change.h"
#include "detect/support_list.h"
#include "detect/utf16_field.h"
#include "tests/detect/detection_fakes.h"

#include <gtest/gtest.h>

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

TEST_F(DeviceChangeTest, ThreeTriesWithoutPauseThenGiveUp) {
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1", 2}}});
    Plug(5);
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 1);
    EXPECT_EQ(FakeKvInquirePhone::queries, 3);
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry..."));
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, retry again..."));
    EXPECT_FALSE(trace.Has(u"HitchedPhoneInfo failed, end."));

    table.RemoveAll();
    FakeKvInquirePhone::queries = 0;
    AnswerPhones({{5, {u"Ostra Mobile", u"OS-200", u"1", 3}}});
    EXPECT_EQ(detector.IsDeviceChanged(table, fresh), 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 3);
    EXPECT_TRUE(trace.Has(u"HitchedPhoneInfo failed, end."));
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_FALSE(lock.Held());
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
}

TEST(SupportEntryTest, DllAndDisplayNameRulesAndTheirLimits) {
    const struct {
        std::u16string entry, dll, name;
    } cases[] = {
        {u"  os100lib \t, ", u"os100lib.dll", u"OS-100"},
        {u" lib2 ", u"lib2.dll", u"OS-100"},
        {u"lib3, Ostra 3, extra", u"lib3.dll", u"Ostra 3, extra"}, // only the first comma splits
        {std::u16string(200, u'a') + u"," + std::u16string(200, u'b'), std::u16string(79, u'a'),
         std::u16string(63, u'b')} // overlong texts stay in their fields
    };
    for (const auto& c : cases) {
        _PHONEDEVICEINFO_T record{};
        CopyField(record.tszPhoneName, u"OS-100");
        ApplySupportEntry(record, c.entry);
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
