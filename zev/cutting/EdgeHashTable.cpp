#include "zev/cutting/EdgeHashTable.h"

namespace zev {

EdgeHashTable::EdgeHashTable(std::size_t p_expected)
{
    std::size_t capacity = 16;
    while (capacity < 2 * p_expected + 2)
        capacity *= 2;
    allocate(capacity);
}

void EdgeHashTable::clear()
{
    for (Slot& slot : m_slots)
        slot.key = s_empty;
    m_count = 0;
}

void EdgeHashTable::allocate(std::size_t p_capacity)
{
    m_slots.assign(p_capacity, Slot{s_empty, -1});
    m_mask = p_capacity - 1;
    unsigned bits = 0;
    while ((std::size_t(1) << bits) < p_capacity)
        ++bits;
    m_shift = 64 - bits;
}

void EdgeHashTable::grow()
{
    std::vector<Slot> old;
    old.swap(m_slots);
    allocate(old.size() * 2);
    for (const Slot& entry : old) {
        if (entry.key == s_empty)
            continue;
        std::size_t slot = home(entry.key);
        while (m_slots[slot].key != s_empty)
            slot = (slot + 1) & m_mask;
        m_slots[slot] = entry;
    }
}

} // namespace zev
