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
};

static_assert(sizeof(Quad) == shapeFootprint(faceCacheFootprint + Quad::m_numVerts * sizeof(int)),
              "a Quad holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
