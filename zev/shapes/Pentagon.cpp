#include "zev/shapes/Pentagon.h"

namespace zev {

Pentagon::~Pentagon() = default;

void Pentagon::setVertices(const IntZEVVector& p_vertices)
{
    setVerticesChecked(m_vertices, m_numVerts, p_vertices, "Pentagon");
}

float Pentagon::getArea(const TripletZEVVector& p_vertices, Triplet& p_areaVector) const
{
    return Face::getArea(m_vertices, m_numVerts, p_vertices, p_areaVector);
}

bool Pentagon::getNormal(const TripletZEVVector& p_vertices, Triplet& p_normal, bool p_normalise) const
{
    return Face::getNormal(m_vertices, m_numVerts, p_vertices, p_normal, p_normalise);
}

bool Pentagon::isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const
{
    return Face::isInside(p_point, m_vertices, m_numVerts, p_vertices);
}

bool Pentagon::projectPointToFace(const Triplet& p_point, const TripletZEVVector& p_vertices,
                                  Triplet& p_projected, float& p_distance) const
{
    return Face::projectPointToFace(p_point, m_vertices, m_numVerts, p_vertices, p_projected, p_distance);
}

bool Pentagon::projectVectorToFace(const Triplet& p_vector, const TripletZEVVector& p_vertices,
                                   Triplet& p_projected) const
{
    return Face::projectVectorToFace(p_vector, m_vertices, m_numVerts, p_vertices, p_projected);
}

bool Pentagon::intersectEdge(const Triplet& p_start, const Triplet& p_direction,
                             const TripletZEVVector& p_vertices, Edge& p_exitEdge, Triplet& p_exitPoint,
                             float& p_t, float& p_fraction, bool p_inPlane, bool p_useFraction,
                             const Edge* p_skipEdge) const
{
    return Face::intersectEdge(p_start, p_direction, p_vertices, p_exitEdge, p_exitPoint, p_t, p_fraction,
                               p_inPlane, p_useFraction, p_skipEdge, m_vertices, m_numVerts);
}

bool Pentagon::constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                std::vector<float>& p_weights) const
{
    return Face::constructWeights(p_x, p_y, p_z, m_vertices, m_numVerts, p_vertices, p_weights);
}

void Pentagon::print() const
{
    printVertices("Pentagon: ", m_vertices, m_numVerts);
}

} // namespace zev
