#include "zev/contracts/FloatZEVVector.h"

#include "zev/contracts/Undefined.h"

#include <algorithm>
#include <iostream>

namespace zev {

FloatZEVVector::~FloatZEVVector() = default;

void FloatZEVVector::dbprint(std::size_t p_from, std::size_t p_to) const
{
    const std::size_t n = std::min(p_to, size());
    for (std::size_t i = p_from; i < n; ++i) {
        const float v = (*this)[i];
        std::cout << i << ": ";
        if (v == ZEV_UNDEF)
            std::cout << "UNDEF";
        else
            std::cout << v;
        std::cout << "\n";
    }
}

void FloatZEVVector::dbprint() const
{
    dbprint(0, size());
}

namespace {

// Walks the defined entries of a strided run of floats.
template <class F> void forDefined(const float* p_ptr, std::size_t p_n, std::ptrdiff_t p_stride, F p_f)
{
    for (std::size_t i = 0; i < p_n; ++i, p_ptr += p_stride)
        if (*p_ptr != ZEV_UNDEF)
            p_f(*p_ptr);
}

} // namespace

float FloatZEVVector::getMin() const
{
    updateCache();
    float r = ZEV_UNDEF;
    bool any = false;
    forDefined(basePointer(), size(), getStride(), [&](float v) {
        r = any ? std::min(r, v) : v;
        any = true;
    });
    return r;
}

float FloatZEVVector::getMax() const
{
    updateCache();
    float r = ZEV_UNDEF;
    bool any = false;
    forDefined(basePointer(), size(), getStride(), [&](float v) {
        r = any ? std::max(r, v) : v;
        any = true;
    });
    return r;
}

float FloatZEVVector::getSum() const
{
    updateCache();
    double s = 0.0;
    forDefined(basePointer(), size(), getStride(), [&](float v) { s += v; });
    return static_cast<float>(s);
}

int FloatZEVVector::getNvalid() const
{
    updateCache();
    int n = 0;
    forDefined(basePointer(), size(), getStride(), [&](float) { ++n; });
    return n;
}

void FloatZEVVector::write(std::ostream& p_os, std::size_t p_from, std::size_t p_to) const
{
    const std::size_t n = std::min(p_to, size());
    for (std::size_t i = p_from; i < n; ++i) {
        if (i != p_from)
            p_os << ' ';
        const float v = (*this)[i];
        if (v == ZEV_UNDEF)
            p_os << "UNDEF";
        else
            p_os << v;
    }
}

} // namespace zev
