#pragma once
// A quadrilateral with corner vertices 0 to 3 in order around it.

#include "zev/shapes/FixedShape.h"

namespace zev {

class ZEV_EXPORT Quad : public FixedFace<4, QUAD> {
public:
    ~Quad() override;

    // Weights from inverting the face's bilinear map in its own plane frame, written into
    // p_weights[0..3] (the vector grows to 4 entries if it is shorter). False when a weight
    // leaves [0, 1], that is when the point lies outside the quadrilateral.
    bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const override;
    using Shape::constructBilinearWeights;

    // Line (ahead of the point only when p_nearerOnly) and circle tests of the triangles (0, 1, 2) then (0,
    // 2, 3), up to the first hit.
    bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const override;
    bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                              const TripletZEVVector& p_vertices, Triplet& p_hit) const override;
};

static_assert(sizeof(Quad) == shapeFootprint(faceCacheFootprint + Quad::m_numVerts * sizeof(int)),
              "a Quad holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
