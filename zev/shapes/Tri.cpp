#include "zev/shapes/Tri.h"

#include "zev/contracts/Undefined.h"
#include "zev/shapes/ShapeMeasures.h"

#include <cmath>

namespace zev {

Tri::~Tri() = default;

const BoolFromEnvironment& Tri::useImprovedWeights()
{
    static const BoolFromEnvironment s_useImprovedWeights("ZEV_USE_IMPROVED_WEIGHTS");
    return s_useImprovedWeights;
}

bool Tri::constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                   std::vector<float>& p_weights) const
{
    const Triplet& p0 = p_vertices[static_cast<std::size_t>(m_vertices[0])];
    const Triplet& p1 = p_vertices[static_cast<std::size_t>(m_vertices[1])];
    const Triplet& p2 = p_vertices[static_cast<std::size_t>(m_vertices[2])];
    const Triplet p(p_x, p_y, p_z);

    // Twice the triangle's area.
    const float area = measures::magnitude((p1 - p0).cross(p2 - p0));
    const bool improved = useImprovedWeights();
    if (improved ? area == 0.0f : area < 1e-6)
        return false;

    const float sub[3] = {measures::magnitude((p1 - p).cross(p2 - p)),
                          measures::magnitude((p - p0).cross(p2 - p0)),
                          measures::magnitude((p1 - p0).cross(p - p0))};
    if (p_weights.size() < 3)
        p_weights.resize(3);
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        float w;
        if (!improved || area > 1e-6 || std::fabs(sub[i]) < area * ZEV_UNDEF)
            w = sub[i] / area;
        else
            w = sub[i] == 0.0f ? 0.0f : ZEV_UNDEF;
        p_weights[static_cast<std::size_t>(i)] = w;
        // The sub-areas are unsigned: a point outside shows only as a weight above 1. A
        // non-finite weight is no placement either.
        if (!(w >= 0.0f && w <= 1.0f))
            ok = false;
    }
    return ok;
}

Triplet Tri::normalVector(const TripletZEVVector& p_vertices)
{
    const Triplet& p0 = p_vertices[static_cast<std::size_t>(m_vertices[0])];
    return (p_vertices[static_cast<std::size_t>(m_vertices[1])] - p0)
        .cross(p_vertices[static_cast<std::size_t>(m_vertices[2])] - p0);
}

} // namespace zev
