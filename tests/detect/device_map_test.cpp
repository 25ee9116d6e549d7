// The device tables' iteration order reaches the port service's clients, so it is tested
// against the bucket rule and the newest-first chains, not just for membership.
#include "detect/device_map.h"
#include "contracts/utf16_field.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

_PHONEDEVICEINFO_T Phone(const char16_t* name) {
    _PHONEDEVICEINFO_T d{};
    hitched::CopyField(d.tszPhoneName, name);
    return d;
}

std::vector<uint64_t> Keys(const CDeviceMap& m) {
    std::vector<uint64_t> keys;
    for (CDeviceMap::Position pos = m.GetStartPosition(); pos;) {
        uint64_t key = 0;
        _PHONEDEVICEINFO_T* value = nullptr;
        m.GetNextAssoc(pos, key, value);
        keys.push_back(key);
    }
    return keys;
}

CDeviceMap& Fill(CDeviceMap& map, const std::vector<uint64_t>& keys) {
    for (uint64_t k : keys) {
        map.AddCopy(k, Phone(u"p"));
    }
    return map;
}

// Many keys, including special-port, Bluetooth-sized and sign-widened ones: the walk equals the
// order that the bucket rule ((low 32 bits >> 4) % 17) and newest-first chains give.
TEST(DeviceMapOrder, WalkMatchesTheBucketRuleForManyKeys) {
    std::vector<uint64_t> inserted;
    for (uint64_t k = 1; k <= 40; ++k) {
        inserted.push_back(k * 7);
    }
    inserted.insert(inserted.end(), {100000000, 100000001, 0x0000A1B2C3D4E5F6, 0x0000A1B2C3D4E5F7,
                                     0x500000010, static_cast<uint64_t>(int64_t{-1})});
    CDeviceMap map;
    std::vector<uint64_t> expected;
    for (uint64_t bucket = 0; bucket < 17; ++bucket) {
        for (auto it = inserted.rbegin(); it != inserted.rend(); ++it) {
            if (((*it & 0xFFFFFFFFu) >> 4) % 17 == bucket) {
                expected.push_back(*it);
            }
        }
    }
    EXPECT_EQ(Keys(Fill(map, inserted)), expected);
    EXPECT_EQ(map.GetCount(), inserted.size());
}

TEST(DeviceMapOrder, RemovingKeepsTheOthersInOrderAndTheLastKeyReleasesTheBuckets) {
    CDeviceMap map;
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    Fill(map, {1, 2, 3, 4}); // all bucket 0
    EXPECT_TRUE(map.RemoveKey(3));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{4, 2, 1}));
    EXPECT_TRUE(map.RemoveKey(4));
    EXPECT_TRUE(map.RemoveKey(1));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{2}));
    EXPECT_TRUE(map.RemoveKey(2));
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_FALSE(map.RemoveKey(2));
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_EQ(Keys(Fill(map, {3, 5})), (std::vector<uint64_t>{5, 3}));
    map.RemoveAll();
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_TRUE(Keys(map).empty());
    Fill(map, {9, 10}); // records still stored when the table goes are its to delete
}

TEST(DeviceMapOwnership, AddCopyOfAPresentKeyKeepsTheFirstRecord) {
    CDeviceMap map;
    _PHONEDEVICEINFO_T first = Phone(u"first");
    _PHONEDEVICEINFO_T* stored = map.AddCopy(7, first);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &first); // a heap copy, not the caller's record
    EXPECT_EQ(map.AddCopy(7, Phone(u"second")), stored);
    EXPECT_EQ(map.GetCount(), 1u);
    first.tszPhoneName[0] = u'X'; // the caller's record stays the caller's
    _PHONEDEVICEINFO_T* found = nullptr;
    ASSERT_TRUE(map.Lookup(7, found));
    EXPECT_EQ(found, stored);
    EXPECT_EQ(hitched::FieldView(found->tszPhoneName), u"first");
    found = nullptr;
    EXPECT_FALSE(map.Lookup(8, found));
    EXPECT_EQ(found, nullptr);
}

TEST(BtDeviceMap, ReplaceSwapsInACopyOnlyForAPresentKeyEvenFromItself) {
    CBtDeviceMap map;
    _BTDEVICEENTRY_T entry{};
    entry.stDeviceInfo.Address = 42;
    map.AddCopy(42, entry);
    entry.bConnected = 1;
    EXPECT_TRUE(map.Replace(42, entry));
    EXPECT_FALSE(map.Replace(43, entry));
    EXPECT_EQ(map.GetCount(), 1u);
    _BTDEVICEENTRY_T* stored = nullptr;
    ASSERT_TRUE(map.Lookup(42, stored));
    EXPECT_EQ(stored->bConnected, 1u);
    EXPECT_TRUE(map.Replace(42, *stored)); // the stored entry itself: copied before it goes
    ASSERT_TRUE(map.Lookup(42, stored));
    EXPECT_EQ(stored->stDeviceInfo.Address, 42u);
    EXPECT_EQ(stored->bConnected, 1u);
}

} // namespace
