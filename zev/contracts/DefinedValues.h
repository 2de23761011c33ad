#pragma once
// Summaries of a strided run of floats that skip the undefined value: the least and
// greatest defined value (the undefined value when there is none), their sum (accumulated
// in double) and their count. Shared by the float and triplet containers; a triplet array
// is a run of 3 n floats with stride 1.

#include "zev/contracts/Undefined.h"

#include <algorithm>
#include <cstddef>

namespace zev::internal {

// Hands every defined entry of the run, in order, to p_f.
template <class F> void forDefined(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride, F p_f)
{
    for (std::size_t i = 0; i < p_n; ++i, p_ptr += p_stride)
        if (*p_ptr != ZEV_UNDEF)
            p_f(*p_ptr);
}

// The first defined entry, folded with each later one by p_pick.
template <class Pick>
float definedExtreme(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride, Pick p_pick)
{
    float r = ZEV_UNDEF;
    bool any = false;
    forDefined(p_ptr, p_n, p_stride, [&](float v) {
        r = any ? p_pick(r, v) : v;
        any = true;
    });
    return r;
}

inline float definedMin(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride)
{
    return definedExtreme(p_ptr, p_n, p_stride, [](float a, float b) { return std::min(a, b); });
}

inline float definedMax(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride)
{
    return definedExtreme(p_ptr, p_n, p_stride, [](float a, float b) { return std::max(a, b); });
}

inline float definedSum(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride)
{
    double s = 0.0;
    forDefined(p_ptr, p_n, p_stride, [&](float v) { s += v; });
    return static_cast<float>(s);
}

inline int definedCount(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride)
{
    int n = 0;
    forDefined(p_ptr, p_n, p_stride, [&](float) { ++n; });
    return n;
}

} // namespace zev::internal
