#include "zev/shapes/Tri.h"

namespace zev {

Tri::~Tri() = default;

void Tri::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Tri");
}

bool Tri::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Tri::constructWeights(float, float, float, const TripletZEVVector&, std::vector<float>& p_weights) const
{
    p_weights.assign(m_numVerts, 0.0f);
    return false;
}

void Tri::print() const
{
    printVertices("Tri: ", m_vertices, m_numVerts);
}

Triplet Tri::normalVector(const TripletZEVVector& p_vertices)
{
    return static_cast<const Tri&>(*this).normalVector(p_vertices);
}

} // namespace zev
