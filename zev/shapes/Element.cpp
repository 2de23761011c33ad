#include "zev/shapes/Element.h"

namespace zev {

Element::~Element() = default;

bool Element::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Element::constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                               std::vector<float>& p_weights) const
{
    p_weights.assign(static_cast<std::size_t>(getNumVertices()), 0.0f);
    return constructWeightsImp(p_x, p_y, p_z, p_vertices, p_weights);
}

} // namespace zev
