#include "zev/contracts/TripletZEVVector.h"

#include "zev/contracts/DefinedValues.h"
#include "zev/contracts/Undefined.h"

#include <algorithm>

namespace zev {

TripletZEVVector::~TripletZEVVector() = default;

namespace {

// Each component of the result is p_start folded with that component of every triplet by
// p_pick; undefined components take part like any other.
template <class Pick> Triplet extents(const std::vector<Triplet>& p_data, float p_start, Pick p_pick)
{
    Triplet r(p_start, p_start, p_start);
    for (const Triplet& t : p_data)
        for (int c = 0; c < 3; ++c)
            r[c] = p_pick(r[c], t[c]);
    return r;
}

} // namespace

Triplet TripletZEVVector::getMinExtents() const
{
    return extents(m_data, ZEV_UNDEF, [](float a, float b) { return std::min(a, b); });
}

Triplet TripletZEVVector::getMaxExtents() const
{
    return extents(m_data, -ZEV_UNDEF, [](float a, float b) { return std::max(a, b); });
}

// The scalar summaries treat the components as one run of floats.
float TripletZEVVector::getMin() const
{
    return internal::definedMin(floatData(), 3 * size(), 1);
}

float TripletZEVVector::getMax() const
{
    return internal::definedMax(floatData(), 3 * size(), 1);
}

float TripletZEVVector::getSum() const
{
    return internal::definedSum(floatData(), 3 * size(), 1);
}

int TripletZEVVector::getNvalid() const
{
    return internal::definedCount(floatData(), 3 * size(), 1);
}

} // namespace zev
