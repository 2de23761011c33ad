#pragma once
// Reading an abstract float array in a hot loop: an owned contiguous array is read through
// its pointer, any other kind through the virtual accessor. The visitors' sums use it so a
// pass over a million vertices makes no call per value in the common case.

#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"

#include <cstddef>

namespace zev {
namespace internal {

// Calls p_fn with a reader r, r(i) giving entry i of p_values.
template <class Fn> void withFloatReader(const FloatZEVVector& p_values, Fn&& p_fn)
{
    if (const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(&p_values)) {
        const float* data = concrete->data();
        p_fn([data](std::size_t p_i) { return data[p_i]; });
    } else {
        p_fn([&p_values](std::size_t p_i) { return p_values[p_i]; });
    }
}

} // namespace internal
} // namespace zev
