#include "zev/shapes/Quad.h"

namespace zev {

Quad::~Quad() = default;

void Quad::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Quad");
}

bool Quad::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Quad::constructWeights(float, float, float, const TripletZEVVector&, std::vector<float>& p_weights) const
{
    p_weights.assign(m_numVerts, 0.0f);
    return false;
}

void Quad::print() const
{
    printVertices("Quad: ", m_vertices, m_numVerts);
}

} // namespace zev
