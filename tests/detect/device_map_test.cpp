// The device tables' iteration order reaches the port service's clients, so it is tested
// against the bucket rule and the newest-first chains, not just for membership.
#include "detect/device_map.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

_PHONEDEVICEINFO_T Phone(const char16_t* name) {
    _PHONEDEVICEINFO_T d{};
    d.dwConnectType = 1;
    std::u16string_view n(name);
    std::copy(n.begin(), n.end(), d.tszPhoneName);
    return d;
}

_BTDEVICEENTRY_T BtEntry(uint64_t address, uint32_t connected) {
    _BTDEVICEENTRY_T e{};
    e.stDeviceInfo.dwSize = sizeof e.stDeviceInfo;
    e.stDeviceInfo.Address = address;
    e.bConnected = connected;
    return e;
}

template <typename Map>
std::vector<std::pair<uint64_t, typename Map::ValueType*>> Walk(const Map& m) {
    std::vector<std::pair<uint64_t, typename Map::ValueType*>> out;
    for (typename Map::Position pos = m.GetStartPosition(); pos;) {
        uint64_t key = 0;
        typename Map::ValueType* value = nullptr;
        m.GetNextAssoc(pos, key, value);
        out.emplace_back(key, value);
    }
    return out;
}

template <typename Map> std::vector<uint64_t> Keys(const Map& m) {
    std::vector<uint64_t> keys;
    for (const auto& kv : Walk(m)) {
        keys.push_back(kv.first);
    }
    return keys;
}

TEST(DeviceMapOrder, KeysOfOneBucketComeNewestFirst) {
    CDeviceMap map;
    map.AddCopy(5, Phone(u"five"));
    map.AddCopy(3, Phone(u"three"));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{3, 5}));
}

TEST(DeviceMapOrder, LowerBucketsComeFirstWhateverTheInsertionOrder) {
    CDeviceMap map;
    map.AddCopy(3, Phone(u"three"));   // bucket 0
    map.AddCopy(20, Phone(u"twenty")); // bucket 1
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{3, 20}));
    CDeviceMap reversed;
    reversed.AddCopy(20, Phone(u"twenty"));
    reversed.AddCopy(3, Phone(u"three"));
    EXPECT_EQ(Keys(reversed), (std::vector<uint64_t>{3, 20}));
}

TEST(DeviceMapOrder, BucketUsesOnlyTheLow32BitsShiftedBy4Modulo17) {
    using Map = CDeviceMap;
    EXPECT_EQ(Map::BucketOf(15), 0u);
    EXPECT_EQ(Map::BucketOf(16), 1u);
    EXPECT_EQ(Map::BucketOf(17 * 16), 0u);
    EXPECT_EQ(Map::BucketOf(0x500000000ull + 16), 1u); // high half ignored
    EXPECT_EQ(Map::BucketOf(0xFFFFFFFFull), (0xFFFFFFFFull >> 4) % 17);
    // Sign-widened port -1: low 32 bits 0xFFFFFFFF.
    EXPECT_EQ(Map::BucketOf(static_cast<uint64_t>(int64_t{-1})), (0xFFFFFFFFull >> 4) % 17);
}

// Many keys, including special-port and Bluetooth-sized ones: the walk equals the order that
// the bucket rule and newest-first chains give, computed here independently.
TEST(DeviceMapOrder, WalkMatchesTheBucketRuleForManyKeys) {
    std::vector<uint64_t> inserted;
    for (uint64_t k = 1; k <= 40; ++k) {
        inserted.push_back(k * 7);
    }
    inserted.push_back(100000000);
    inserted.push_back(100000001);
    inserted.push_back(0x0000A1B2C3D4E5F6ull);
    inserted.push_back(0x0000A1B2C3D4E5F7ull);
    CDeviceMap map;
    for (uint64_t k : inserted) {
        map.AddCopy(k, Phone(u"p"));
    }
    std::vector<uint64_t> expected;
    for (uint64_t bucket = 0; bucket < 17; ++bucket) {
        for (auto it = inserted.rbegin(); it != inserted.rend(); ++it) {
            if (((*it & 0xFFFFFFFFu) >> 4) % 17 == bucket) {
                expected.push_back(*it);
            }
        }
    }
    EXPECT_EQ(map.GetCount(), inserted.size());
    EXPECT_EQ(Keys(map), expected);
}

TEST(DeviceMapOrder, RemovingTheLastKeyReleasesBucketsAndReinsertStartsAfresh) {
    CDeviceMap map;
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    map.AddCopy(5, Phone(u"five"));
    map.AddCopy(3, Phone(u"three"));
    EXPECT_TRUE(map.HasBuckets());
    EXPECT_TRUE(map.RemoveKey(5));
    EXPECT_TRUE(map.HasBuckets());
    EXPECT_TRUE(map.RemoveKey(3));
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_FALSE(map.RemoveKey(3));
    map.AddCopy(3, Phone(u"three again"));
    map.AddCopy(5, Phone(u"five again"));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{5, 3}));
    _PHONEDEVICEINFO_T* found = nullptr;
    ASSERT_TRUE(map.Lookup(3, found));
    EXPECT_EQ(std::u16string(found->tszPhoneName), u"three again");
}

TEST(DeviceMapOrder, RemovingFromTheMiddleOfAChainKeepsTheOthersInOrder) {
    CDeviceMap map;
    for (uint64_t k : {1, 2, 3, 4}) { // all bucket 0
        map.AddCopy(k, Phone(u"p"));
    }
    EXPECT_TRUE(map.RemoveKey(3));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{4, 2, 1}));
    EXPECT_TRUE(map.RemoveKey(4));
    EXPECT_TRUE(map.RemoveKey(1));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{2}));
}

TEST(DeviceMapOwnership, AddCopyOfAPresentKeyKeepsTheFirstRecord) {
    CDeviceMap map;
    _PHONEDEVICEINFO_T first = Phone(u"first");
    _PHONEDEVICEINFO_T second = Phone(u"second");
    _PHONEDEVICEINFO_T* stored = map.AddCopy(7, first);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &first); // a heap copy, not the caller's record
    EXPECT_EQ(map.AddCopy(7, second), stored);
    EXPECT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(std::u16string(stored->tszPhoneName), u"first");
    // The caller's records stay the caller's: changing them does not reach the table.
    first.tszPhoneName[0] = u'X';
    _PHONEDEVICEINFO_T* found = nullptr;
    ASSERT_TRUE(map.Lookup(7, found));
    EXPECT_EQ(found, stored);
    EXPECT_EQ(std::u16string(found->tszPhoneName), u"first");
}

TEST(DeviceMapOwnership, LookupOfAbsentKeyLeavesTheOutParameter) {
    CDeviceMap map;
    map.AddCopy(1, Phone(u"p"));
    _PHONEDEVICEINFO_T* found = nullptr;
    EXPECT_FALSE(map.Lookup(2, found));
    EXPECT_EQ(found, nullptr);
    CDeviceMap empty;
    EXPECT_FALSE(empty.Lookup(0, found));
}

TEST(DeviceMapOwnership, RemoveAllEmptiesAndTheTableIsReusable) {
    CDeviceMap map;
    for (uint64_t k = 0; k < 50; ++k) {
        map.AddCopy(k, Phone(u"p"));
    }
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_FALSE(map.HasBuckets());
    EXPECT_TRUE(Keys(map).empty());
    map.AddCopy(9, Phone(u"p"));
    EXPECT_EQ(Keys(map), (std::vector<uint64_t>{9}));
    // Records still stored when the table goes are deleted by it (checked by the leak sanitizer).
}

TEST(BtDeviceMap, ReplaceSwapsInACopyOnlyForAPresentKey) {
    CBtDeviceMap map;
    const uint64_t a = 0x0000112233445566ull;
    map.AddCopy(a, BtEntry(a, 0));
    EXPECT_TRUE(map.Replace(a, BtEntry(a, 1)));
    _BTDEVICEENTRY_T* found = nullptr;
    ASSERT_TRUE(map.Lookup(a, found));
    EXPECT_EQ(found->bConnected, 1u);
    EXPECT_FALSE(map.Replace(a + 1, BtEntry(a + 1, 1)));
    EXPECT_EQ(map.GetCount(), 1u);
    EXPECT_FALSE(map.Lookup(a + 1, found));
}

TEST(BtDeviceMap, ReplaceWithTheStoredEntryItselfIsSafe) {
    CBtDeviceMap map;
    map.AddCopy(42, BtEntry(42, 1));
    _BTDEVICEENTRY_T* stored = nullptr;
    ASSERT_TRUE(map.Lookup(42, stored));
    EXPECT_TRUE(map.Replace(42, *stored));
    ASSERT_TRUE(map.Lookup(42, stored));
    EXPECT_EQ(stored->stDeviceInfo.Address, 42u);
    EXPECT_EQ(stored->bConnected, 1u);
}

TEST(BtDeviceMap, WalkYieldsTheStoredEntries) {
    CBtDeviceMap map;
    map.AddCopy(0x10, BtEntry(0x10, 0)); // bucket 1
    map.AddCopy(0x01, BtEntry(0x01, 1)); // bucket 0
    const auto walk = Walk(map);
    ASSERT_EQ(walk.size(), 2u);
    EXPECT_EQ(walk[0].first, 0x01u);
    EXPECT_EQ(walk[0].second->bConnected, 1u);
    EXPECT_EQ(walk[1].first, 0x10u);
    EXPECT_EQ(walk[1].second->stDeviceInfo.Address, 0x10u);
}

} // namespace
