#include "zev/shapes/Pentagon.h"

namespace zev {

Pentagon::~Pentagon() = default;

void Pentagon::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Pentagon");
}

bool Pentagon::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Pentagon::constructWeights(float, float, float, const TripletZEVVector&,
                                std::vector<float>& p_weights) const
{
    p_weights.assign(m_numVerts, 0.0f);
    return false;
}

void Pentagon::print() const
{
    printVertices("Pentagon: ", m_vertices, m_numVerts);
}

} // namespace zev
