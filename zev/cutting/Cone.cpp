#include "zev/cutting/Cone.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"

#include <cmath>

namespace zev {

namespace {

// |p_v|, or the undefined value when a component is undefined, so that dividing by it gives
// a tiny but finite vector instead of an overflow.
double lengthOf(const Triplet& p_v)
{
    if (p_v[0] == ZEV_UNDEF || p_v[1] == ZEV_UNDEF || p_v[2] == ZEV_UNDEF)
        return double(ZEV_UNDEF);
    const double x = p_v[0];
    const double y = p_v[1];
    const double z = p_v[2];
    return std::sqrt(x * x + y * y + z * z);
}

// p_v divided by its length; a zero vector stays zero.
Triplet unit(const Triplet& p_v)
{
    const double length = lengthOf(p_v);
    if (length == 0.0)
        return p_v;
    return Triplet(float(p_v[0] / length), float(p_v[1] / length), float(p_v[2] / length));
}

double dotOf(const Triplet& p_a, const Triplet& p_b)
{
    return double(p_a[0]) * p_b[0] + double(p_a[1]) * p_b[1] + double(p_a[2]) * p_b[2];
}

} // namespace

Cone::Cone(const Triplet& p_axis, const Triplet& p_tip, const Triplet& p_surfacePoint)
    : m_tip(p_tip), m_axis(p_axis), m_cosine(0.0)
{
    if (p_tip[0] == p_surfacePoint[0] && p_tip[1] == p_surfacePoint[1] && p_tip[2] == p_surfacePoint[2])
        throw internal::error("Geometry::Cone", "Cone",
                              SystemMsg("Cone tip and the surface point are same. Can't construct cone."));
    m_axis = unit(p_axis);
    m_cosine = dotOf(unit(p_surfacePoint - p_tip), m_axis);
}

Cone::Cone(const Triplet& p_axis, const Triplet& p_tip, float p_cosine)
    : m_tip(p_tip), m_axis(unit(p_axis)), m_cosine(p_cosine)
{
}

Cone::~Cone() = default;

double Cone::value(const Triplet& p_point, int) const
{
    const Triplet d = p_point - m_tip;
    const double length = lengthOf(d);
    if (length == 0.0)
        return dotOf(d, m_axis) - m_cosine;
    const Triplet direction(float(d[0] / length), float(d[1] / length), float(d[2] / length));
    return dotOf(direction, m_axis) - m_cosine;
}

bool Cone::isOutside(const Triplet& p_point) const
{
    return onValue() > value(p_point, -1);
}

bool Cone::isInside(const Triplet& p_point) const
{
    return value(p_point, -1) > onValue();
}

} // namespace zev
