#include "zev/cutting/IntersectGeometryIface.h"

#include <cmath>

namespace zev {

IntersectGeometryIface::~IntersectGeometryIface() = default;

float IntersectGeometryIface::onValue() const
{
    return 0.0f;
}

int IntersectGeometryIface::numOfIterations() const
{
    return 1;
}

float IntersectGeometryIface::tolerance() const
{
    return 1e-5f;
}

bool IntersectGeometryIface::useNodeValue() const
{
    return true;
}

bool IntersectGeometryIface::isOutside(const Triplet& p_point) const
{
    return value(p_point, -1) > onValue();
}

bool IntersectGeometryIface::isInside(const Triplet& p_point) const
{
    return onValue() > value(p_point, -1);
}

bool IntersectGeometryIface::isOn(const Triplet& p_point) const
{
    return std::fabs(value(p_point, -1) - onValue()) < tolerance();
}

} // namespace zev
