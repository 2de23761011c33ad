#pragma once
// An open-addressing map from a mesh edge to the id of the cut vertex created on it, keyed
// by the 64-bit pair (smaller vertex, larger vertex). It stands in for std::map<Edge, int>
// in whole-geometry cuts, where the edge map is the hot data structure: one probe sequence
// in a flat array instead of a tree walk and a node allocation per edge.

#include "zev/ZEVExport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zev {

class ZEV_EXPORT EdgeHashTable {
public:
    // Room for p_expected edges before the first growth.
    explicit EdgeHashTable(std::size_t p_expected = 0);

    // The id stored for the edge (p_low, p_high), p_low < p_high and both non-negative, or
    // -1. Remembers the probe position for the insert that follows a miss.
    int find(int p_low, int p_high)
    {
        const std::uint64_t key = makeKey(p_low, p_high);
        std::size_t slot = home(key);
        while (m_slots[slot].key != s_empty) {
            if (m_slots[slot].key == key)
                return m_slots[slot].id;
            slot = (slot + 1) & m_mask;
        }
        m_free = slot;
        return -1;
    }
    // Stores p_id for the edge of the last find, which missed.
    void insert(int p_low, int p_high, int p_id)
    {
        m_slots[m_free] = Slot{makeKey(p_low, p_high), p_id};
        if (++m_count * 2 > m_slots.size())
            grow();
    }

    std::size_t size() const { return m_count; }
    void clear();

private:
    struct Slot {
        std::uint64_t key;
        int id;
    };
    static constexpr std::uint64_t s_empty = ~std::uint64_t(0);

    static std::uint64_t makeKey(int p_low, int p_high)
    {
        return (std::uint64_t(std::uint32_t(p_low)) << 32) | std::uint32_t(p_high);
    }
    std::size_t home(std::uint64_t p_key) const
    {
        return std::size_t((p_key * 0x9E3779B97F4A7C15ull) >> m_shift) & m_mask;
    }
    void allocate(std::size_t p_capacity);
    void grow();

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    unsigned m_shift = 0;
    std::size_t m_count = 0;
    std::size_t m_free = 0;
};

} // namespace zev
