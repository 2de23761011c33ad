#include "zev/contracts/TripletZEVVector.h"

#include "zev/contracts/Undefined.h"

#include <algorithm>

namespace zev {

TripletZEVVector::~TripletZEVVector() = default;

Triplet TripletZEVVector::getMinExtents() const
{
    Triplet r(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            r[c] = std::min(r[c], t[c]);
    return r;
}

Triplet TripletZEVVector::getMaxExtents() const
{
    Triplet r(-ZEV_UNDEF, -ZEV_UNDEF, -ZEV_UNDEF);
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            r[c] = std::max(r[c], t[c]);
    return r;
}

float TripletZEVVector::getMin() const
{
    float r = ZEV_UNDEF;
    bool any = false;
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            if (t[c] != ZEV_UNDEF) {
                r = any ? std::min(r, t[c]) : t[c];
                any = true;
            }
    return r;
}

float TripletZEVVector::getMax() const
{
    float r = ZEV_UNDEF;
    bool any = false;
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            if (t[c] != ZEV_UNDEF) {
                r = any ? std::max(r, t[c]) : t[c];
                any = true;
            }
    return r;
}

float TripletZEVVector::getSum() const
{
    double s = 0.0;
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            if (t[c] != ZEV_UNDEF)
                s += t[c];
    return static_cast<float>(s);
}

int TripletZEVVector::getNvalid() const
{
    int n = 0;
    for (const Triplet& t : m_data)
        for (int c = 0; c < 3; ++c)
            if (t[c] != ZEV_UNDEF)
                ++n;
    return n;
}

} // namespace zev
