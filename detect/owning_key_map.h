#pragma once
// The chained hash table behind the device tables. Its iteration order is visible to the
// port service's clients (it is the order of the phones they receive), so the bucket rule and
// the chain order are part of the contract: 17 buckets, bucket = (low 32 bits >> 4) % 17, a
// new key goes to the front of its chain, iteration runs the buckets upwards and each chain
// from the front. The table owns heap copies of its records.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace hitched {

template <typename T> class OwningKeyMap {
    struct Node {
        Node* next;
        uint64_t key;
        std::size_t bucket;
        T* value;
    };

public:
    using ValueType = T;
    static constexpr std::size_t kBucketCount = 17;

    // Opaque iteration cursor in the style of MFC's POSITION; nullptr = end.
    using Position = const Node*;

    OwningKeyMap() = default;
    OwningKeyMap(const OwningKeyMap&) = delete;
    OwningKeyMap& operator=(const OwningKeyMap&) = delete;
    ~OwningKeyMap() { RemoveAll(); }

    static std::size_t BucketOf(uint64_t key) {
        return (static_cast<uint32_t>(key) >> 4) % kBucketCount;
    }

    // Present key: nothing changes and the stored record is returned. Otherwise a heap copy of
    // the record is stored; the caller keeps ownership of its own record either way.
    T* AddCopy(uint64_t key, const T& record) {
        if (Node* node = Find(key)) {
            return node->value;
        }
        if (!m_buckets) {
            m_buckets.reset(new Node*[kBucketCount]());
        }
        auto copy = std::make_unique<T>(record);
        const std::size_t b = BucketOf(key);
        m_buckets[b] = new Node{m_buckets[b], key, b, copy.get()};
        ++m_count;
        return copy.release();
    }

    bool Lookup(uint64_t key, T*& record) const {
        if (Node* node = Find(key)) {
            record = node->value;
            return true;
        }
        return false;
    }

    // Deletes the stored record; the last key out releases the buckets.
    bool RemoveKey(uint64_t key) {
        if (!m_buckets) {
            return false;
        }
        for (Node** link = &m_buckets[BucketOf(key)]; *link; link = &(*link)->next) {
            if ((*link)->key == key) {
                Node* node = *link;
                *link = node->next;
                delete node->value;
                delete node;
                if (--m_count == 0) {
                    m_buckets.reset();
                }
                return true;
            }
        }
        return false;
    }

    void RemoveAll() {
        if (m_buckets) {
            for (std::size_t b = 0; b < kBucketCount; ++b) {
                for (Node* node = m_buckets[b]; node;) {
                    Node* next = node->next;
                    delete node->value;
                    delete node;
                    node = next;
                }
            }
        }
        m_buckets.reset();
        m_count = 0;
    }

    std::size_t GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // Whether the bucket array is currently allocated (it is not while the table is empty).
    bool HasBuckets() const { return m_buckets != nullptr; }

    Position GetStartPosition() const { return FirstFrom(0); }

    // Yields the entry at pos and advances pos (to nullptr after the last one).
    void GetNextAssoc(Position& pos, uint64_t& key, T*& record) const {
        key = pos->key;
        record = pos->value;
        pos = pos->next ? pos->next : FirstFrom(pos->bucket + 1);
    }

protected:
    Node* Find(uint64_t key) const {
        if (!m_buckets) {
            return nullptr;
        }
        for (Node* node = m_buckets[BucketOf(key)]; node; node = node->next) {
            if (node->key == key) {
                return node;
            }
        }
        return nullptr;
    }

    // Swaps in a copy of the new record for the stored one; absent keys are left alone.
    bool ReplaceCopy(uint64_t key, const T& record) {
        Node* node = Find(key);
        if (!node) {
            return false;
        }
        auto copy = std::make_unique<T>(record); // copy first: record may be the stored one
        delete node->value;
        node->value = copy.release();
        return true;
    }

private:
    const Node* FirstFrom(std::size_t bucket) const {
        if (!m_buckets) {
            return nullptr;
        }
        for (; bucket < kBucketCount; ++bucket) {
            if (m_buckets[bucket]) {
                return m_buckets[bucket];
            }
        }
        return nullptr;
    }

    std::unique_ptr<Node*[]> m_buckets;
    std::size_t m_count = 0;
};

} // namespace hitched
