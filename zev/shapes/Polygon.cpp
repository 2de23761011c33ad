#include "zev/shapes/Polygon.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/GeometryUtilities.h"

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

float Polygon::getArea(const TripletZEVVector& p_vertices, Triplet& p_areaVector) const
{
    return Face::getArea(m_vertices.data(), m_vertexCount, p_vertices, p_areaVector);
}

bool Polygon::getNormal(const TripletZEVVector& p_vertices, Triplet& p_normal, bool p_normalise) const
{
    return Face::getNormal(m_vertices.data(), m_vertexCount, p_vertices, p_normal, p_normalise);
}

bool Polygon::isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const
{
    return Face::isInside(p_point, m_vertices.data(), m_vertexCount, p_vertices);
}

bool Polygon::projectPointToFace(const Triplet& p_point, const TripletZEVVector& p_vertices,
                                 Triplet& p_projected, float& p_distance) const
{
    return Face::projectPointToFace(p_point, m_vertices.data(), m_vertexCount, p_vertices, p_projected,
                                    p_distance);
}

bool Polygon::projectVectorToFace(const Triplet& p_vector, const TripletZEVVector& p_vertices,
                                  Triplet& p_projected) const
{
    return Face::projectVectorToFace(p_vector, m_vertices.data(), m_vertexCount, p_vertices, p_projected);
}

bool Polygon::intersectEdge(const Triplet& p_start, const Triplet& p_direction,
                            const TripletZEVVector& p_vertices, Edge& p_exitEdge, Triplet& p_exitPoint,
                            float& p_t, float& p_fraction, bool p_inPlane, bool p_useFraction,
                            const Edge* p_skipEdge) const
{
    return Face::intersectEdge(p_start, p_direction, p_vertices, p_exitEdge, p_exitPoint, p_t, p_fraction,
                               p_inPlane, p_useFraction, p_skipEdge, m_vertices.data(), m_vertexCount);
}

Triplet Polygon::calcCentroidImp(const TripletZEVVector& p_vertices) const
{
    // One gathering array per thread, reused from polygon to polygon.
    thread_local std::vector<Triplet> corners;
    corners.clear();
    for (int i = 0; i < m_vertexCount; ++i)
        corners.push_back(p_vertices[static_cast<std::size_t>(m_vertices[static_cast<std::size_t>(i)])]);
    return GeometryUtilities::areaWeighedFaceCentroid(corners);
}

bool Polygon::constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                               std::vector<float>& p_weights) const
{
    return Face::constructWeights(p_x, p_y, p_z, m_vertices.data(), m_vertexCount, p_vertices, p_weights);
}

bool Polygon::constructBilinearWeights(float, float, float, const TripletZEVVector&, float*) const
{
    return false;
}

void Polygon::print() const
{
    printVertices("Polygon: ", m_vertices.data(), m_vertexCount);
}

} // namespace zev
