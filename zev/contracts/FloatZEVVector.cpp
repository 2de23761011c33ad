#include "zev/contracts/FloatZEVVector.h"

#include "zev/contracts/DefinedValues.h"
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

float FloatZEVVector::getMin() const
{
    updateCache();
    return internal::definedMin(basePointer(), size(), getStride());
}

float FloatZEVVector::getMax() const
{
    updateCache();
    return internal::definedMax(basePointer(), size(), getStride());
}

float FloatZEVVector::getSum() const
{
    updateCache();
    return internal::definedSum(basePointer(), size(), getStride());
}

int FloatZEVVector::getNvalid() const
{
    updateCache();
    return internal::definedCount(basePointer(), size(), getStride());
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
