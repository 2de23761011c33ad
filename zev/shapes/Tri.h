#pragma once
// A triangle with corner vertices 0, 1, 2.

#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/shapes/FixedShape.h"

namespace zev {

class ZEV_EXPORT Tri : public FixedFace<3, TRI> {
public:
    ~Tri() override;

    // Weights from the areas of the three sub-triangles the point makes with the edges,
    // written into p_weights[0..2] (the vector grows to 3 entries if it is shorter). False for
    // a degenerate triangle, with the weights untouched, and when a weight leaves [0, 1]. The
    // ZEV_USE_IMPROVED_WEIGHTS switch accepts triangles of any non-zero area.
    bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const override;
    using Shape::constructBilinearWeights;

    // The process-wide ZEV_USE_IMPROVED_WEIGHTS switch, read on first use.
    static const BoolFromEnvironment& useImprovedWeights();

    // (P1 - P0) x (P2 - P0): twice the area vector, not normalised.
    virtual Triplet normalVector(const TripletZEVVector& p_vertices);
    using Face::normalVector;
};

static_assert(sizeof(Tri) == shapeFootprint(faceCacheFootprint + Tri::m_numVerts * sizeof(int)),
              "a Tri holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
