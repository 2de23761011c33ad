#include "zev/contracts/RadixSort.h"

namespace zev {

// Passes of 11 bits, skipping the passes whose digit is the same for every key. The counts
// of every pass are taken in one read of the keys.
void radixSort(std::vector<SortKey>& p_keys)
{
    const std::size_t n = p_keys.size();
    if (n < 2)
        return;
    constexpr int digitBits = 11;
    constexpr int passes = (64 + digitBits - 1) / digitBits;
    constexpr std::size_t buckets = std::size_t(1) << digitBits;
    std::vector<std::uint32_t> count(passes * buckets, 0);
    for (const SortKey& k : p_keys)
        for (int pass = 0; pass < passes; ++pass)
            ++count[pass * buckets + ((k.key >> (pass * digitBits)) & (buckets - 1))];
    std::vector<SortKey> buffer(n);
    for (int pass = 0; pass < passes; ++pass) {
        std::uint32_t* const digits = count.data() + pass * buckets;
        const int shift = pass * digitBits;
        // A digit shared by every key leaves the order as it is.
        if (digits[(p_keys[0].key >> shift) & (buckets - 1)] == n)
            continue;
        std::uint32_t sum = 0;
        for (std::size_t d = 0; d < buckets; ++d) {
            const std::uint32_t here = digits[d];
            digits[d] = sum;
            sum += here;
        }
        for (const SortKey& k : p_keys)
            buffer[digits[(k.key >> shift) & (buckets - 1)]++] = k;
        p_keys.swap(buffer);
    }
}

} // namespace zev
