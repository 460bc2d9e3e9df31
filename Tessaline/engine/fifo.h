#pragma once

#include <QString>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

// A fixed-capacity cache of per-layer items keyed by layer index. The slice driver sizes each cache so that
// an item is still held when the last stage that reads it runs; a slot is reused in arrival order, and the
// caller overwrites whatever the reused item held. Items stay allocated across reuse, so a cache of raster
// planes costs its planes once per slice.
//
// Threads: one thread at a time may take slots, while others look up and use the items they are sure are
// still held (the driver's scheduling guarantees that); the keys are atomic so that a lookup never races
// with a slot being taken over.
template <class Item> class FIFO
{
public:
    // A capacity below 1 still gets one slot: a cache the settings leave unused must not fail on being made.
    explicit FIFO(int capacity)
        : m_items(size_t(std::max(capacity, 1))), m_capacity(std::max(capacity, 1)),
          m_keys(std::make_unique<std::atomic<int>[]>(size_t(m_capacity)))
    {
        for (int k = 0; k < m_capacity; ++k)
            m_keys[size_t(k)].store(emptyKey, std::memory_order_relaxed);
    }

    int capacity() const { return m_capacity; }

    // The item held for index, or the oldest slot taken over for it.
    Item &slot(int index)
    {
        const int found = find(index);
        if (found >= 0)
            return m_items[size_t(found)];
        m_cursor = (m_cursor + 1) % capacity();
        m_keys[size_t(m_cursor)].store(index, std::memory_order_relaxed);
        return m_items[size_t(m_cursor)];
    }

    // Throws "FIFO.get(): Item not found ID:%1" for an index the cache does not hold (any more).
    Item &get(int index)
    {
        const int found = find(index);
        if (found < 0)
            throw QString("FIFO.get(): Item not found ID:%1").arg(index);
        return m_items[size_t(found)];
    }
    const Item &get(int index) const { return const_cast<FIFO *>(this)->get(index); }

    bool contains(int index) const { return find(index) >= 0; }

private:
    // No layer index ever comes near it: the sweep starts at -2 * HShellCnt.
    static constexpr int emptyKey = -999999;

    int find(int index) const
    {
        for (int k = 0; k < m_capacity; ++k)
            if (m_keys[size_t(k)].load(std::memory_order_relaxed) == index)
                return k;
        return -1;
    }

    std::vector<Item> m_items;
    int m_capacity;
    std::unique_ptr<std::atomic<int>[]> m_keys;
    int m_cursor = 0;
};
