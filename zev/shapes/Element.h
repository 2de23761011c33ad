#pragma once
// The base of the 3-D cells (Tet, Pyramid, Wedge, Hex, Polyhedron): the inside test and the
// interpolation weights shared by the element classes.

#include "zev/shapes/Shape.h"

namespace zev {

class ZEV_EXPORT Element : public Shape {
public:
    ~Element() override;

    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override;
    // Sizes the weights to the vertex count, all 0, and lets the element class fill them.
    bool constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const override;
    using Shape::constructWeights;

protected:
    Element() = default;
    Element(const Element&) = default;
    Element& operator=(const Element&) = default;

    // Fills weights already sized to the vertex count; true when the point is inside.
    virtual bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                     std::vector<float>& p_weights) const = 0;
};

} // namespace zev
