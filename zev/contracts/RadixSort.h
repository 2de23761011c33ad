#pragma once
// A stable least-significant-digit radix sort of 64-bit keys carrying a 32-bit item number,
// for the passes that order many records by one packed key.

#include "zev/ZEVExport.h"

#include <cstdint>
#include <vector>

namespace zev {

// A 64-bit sort key and the item it belongs to.
struct SortKey {
    std::uint64_t key;
    std::uint32_t index;
};

// Sorts p_keys by ascending key; equal keys keep their order.
ZEV_EXPORT void radixSort(std::vector<SortKey>& p_keys);

} // namespace zev
