#include "zev/shapes/Hexagon.h"

namespace zev {

Hexagon::~Hexagon() = default;

void Hexagon::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Hexagon");
}

bool Hexagon::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Hexagon::constructWeights(float, float, float, const TripletZEVVector&,
                               std::vector<float>& p_weights) const
{
    p_weights.assign(m_numVerts, 0.0f);
    return false;
}

void Hexagon::print() const
{
    printVertices("Hexagon: ", m_vertices, m_numVerts);
}

} // namespace zev
