#include "zev/shapes/Polygon.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

namespace zev {

Polygon::~Polygon() = default;

void Polygon::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices.data(), m_vertexCount, p_vertices, "Polygon");
}

void Polygon::setNumVertices(int p_n)
{
    // A negative count would ask for an enormous array; refuse it before touching anything.
    if (p_n < 0)
        throw data::invalid("Polygon", "setNumVertices", UserMsg("Invalid vertex count %1").arg(p_n));
    m_vertices.resize(static_cast<std::size_t>(p_n), 0);
    m_vertexCount = p_n;
}

bool Polygon::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

bool Polygon::constructWeights(float, float, float, const TripletZEVVector&,
                               std::vector<float>& p_weights) const
{
    p_weights.assign(static_cast<std::size_t>(m_vertexCount), 0.0f);
    return false;
}

void Polygon::print() const
{
    printVertices("Polygon: ", m_vertices.data(), m_vertexCount);
}

} // namespace zev
