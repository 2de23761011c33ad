#include "zev/shapes/Edge.h"

#include "zev/contracts/Undefined.h"

#include <cfloat>
#include <cmath>
#include <ostream>

namespace zev {

namespace {

// |b - a|, or the undefined value when a coordinate difference is undefined. The test is on
// the magnitude so that an undefined coordinate at either end is caught whatever the order.
float distance(const Triplet& p_a, const Triplet& p_b)
{
    const Triplet d = p_b - p_a;
    for (int c = 0; c < 3; ++c)
        if (std::fabs(d[c]) == ZEV_UNDEF)
            return ZEV_UNDEF;
    return d.length();
}

} // namespace

float Edge::length(const TripletZEVVector& p_vertices) const
{
    return distance(p_vertices[m_first], p_vertices[m_second]);
}

bool Edge::constructWeights(const Triplet& p_point, const TripletZEVVector& p_vertices,
                            std::vector<float>& p_weights) const
{
    p_weights.resize(2);
    const Triplet& p0 = p_vertices[m_first];
    const Triplet& p1 = p_vertices[m_second];
    const float len = distance(p0, p1);
    if (len < FLT_EPSILON) {
        p_weights[0] = 0.5f;
        p_weights[1] = 0.5f;
        return true;
    }
    p_weights[0] = (p1 - p_point).length() / len;
    p_weights[1] = (p0 - p_point).length() / len;
    return true;
}

std::ostream& operator<<(std::ostream& p_os, const Edge& p_edge)
{
    return p_os << "(" << p_edge.firstVertex() << "," << p_edge.secondVertex() << ")";
}

} // namespace zev
