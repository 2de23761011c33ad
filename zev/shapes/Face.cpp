#include "zev/shapes/Face.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/shapes/ShapeMeasures.h"
// The line and circle tests live with the other search code; faces forward to them.
#include "zev/search/LineQueries.h"

#include <cmath>

namespace zev {

Face::~Face() = default;

const int* Face::getVerticesForFace(int, int&, const int**) const
{
    throw data::invalid("Face", "getVerticesForFace", UserMsg("getVerticesForFace called on a Face object"));
}

const int* Face::getIPsForFace(int, int&, const int**) const
{
    throw data::invalid("Face", "getIPsForFace", UserMsg("getVerticesForFace called on a Face object"));
}

float Face::calcVertexVolumes(const TripletZEVVector&, FloatZEVVectorConcrete&) const
{
    return 0.0f;
}

float Face::getArea(const int* p_indices, int p_n, const TripletZEVVector& p_vertices,
                    Triplet& p_areaVector) const
{
    if (m_area > 0.0f) {
        p_areaVector = m_areaVector;
        return m_area;
    }
    // An empty corner list is treated like a missing one rather than read past its end.
    if (p_indices == nullptr || p_n <= 0)
        return 0.0f;
    const Triplet& p0 = p_vertices[static_cast<std::size_t>(p_indices[0])];
    Triplet sum;
    for (int k = 1; k + 1 < p_n; ++k)
        sum += (p_vertices[static_cast<std::size_t>(p_indices[k])] - p0)
                   .cross(p_vertices[static_cast<std::size_t>(p_indices[k + 1])] - p0);
    m_areaVector = sum * 0.5f;
    m_area = measures::magnitude(m_areaVector);
    p_areaVector = m_areaVector;
    return m_area;
}

bool Face::getNormal(const int* p_indices, int p_n, const TripletZEVVector& p_vertices, Triplet& p_normal,
                     bool p_normalise) const
{
    if (m_normalState == 3 || m_normalState == 7) {
        if (p_normalise && m_normalState == 3) {
            const float length = measures::magnitude(m_normal);
            if (length != 0.0f)
                m_normal /= length;
            m_normalState = 7;
        }
        p_normal = m_normal;
        return true;
    }
    if (m_normalState == 1 || p_indices == nullptr || p_n <= 0)
        return false;

    const Triplet& p0 = p_vertices[static_cast<std::size_t>(p_indices[0])];
    p_normal = Triplet();
    for (int k = 1; k + 1 < p_n; ++k)
        p_normal += (p_vertices[static_cast<std::size_t>(p_indices[k])] - p0)
                        .cross(p_vertices[static_cast<std::size_t>(p_indices[k + 1])] - p0);
    if (p_normal[0] == 0.0f && p_normal[1] == 0.0f && p_normal[2] == 0.0f) {
        m_normalState = 1;
        return false;
    }
    if (p_normalise) {
        const float length = measures::magnitude(p_normal);
        if (length != 0.0f) {
            try {
                p_normal /= length;
            } catch (const data::invalid&) {
                m_normalState = 1;
                return false;
            }
        }
    }
    m_normal = p_normal;
    m_normalState = p_normalise ? 7 : 3;
    return true;
}

bool Face::isInside(const Triplet& p_point, const int* p_indices, int p_n,
                    const TripletZEVVector& p_vertices) const
{
    if (p_indices == nullptr || p_n < 3 || p_vertices.empty())
        return false;
    Triplet areaVector;
    if (getArea(p_indices, p_n, p_vertices, areaVector) == 0.0f)
        return false;
    // Every edge's cross product must agree in direction with those of the edges before it.
    Triplet sum;
    for (int k = 0; k < p_n; ++k) {
        const Triplet& a = p_vertices[static_cast<std::size_t>(p_indices[k])];
        const Triplet& b = p_vertices[static_cast<std::size_t>(p_indices[(k + 1) % p_n])];
        const Triplet c = (p_point - a).cross(b - a);
        if (k > 0 && c.dot(sum) < 0.0f)
            return false;
        sum += c;
    }
    return true;
}

bool Face::projectPointToFace(const Triplet& p_point, const int* p_indices, int p_n,
                              const TripletZEVVector& p_vertices, Triplet& p_projected,
                              float& p_distance) const
{
    if (p_indices == nullptr || p_n < 3 || p_vertices.empty())
        return false;
    Triplet normal;
    if (!getNormal(p_indices, p_n, p_vertices, normal, true))
        return false;
    const float d = (p_point - p_vertices[static_cast<std::size_t>(p_indices[0])]).dot(normal);
    for (int c = 0; c < 3; ++c)
        p_projected[c] =
            static_cast<float>(static_cast<double>(p_point[c]) - static_cast<double>(d) * normal[c]);
    p_distance = std::fabs(d);
    return isInside(p_projected, p_indices, p_n, p_vertices);
}

bool Face::projectVectorToFace(const Triplet& p_vector, const int* p_indices, int p_n,
                               const TripletZEVVector& p_vertices, Triplet& p_projected) const
{
    Triplet normal;
    if (!getNormal(p_indices, p_n, p_vertices, normal, true))
        return false;
    p_projected = p_vector - normal * p_vector.dot(normal);
    return true;
}

bool Face::intersectEdge(const Triplet& p_start, const Triplet& p_direction,
                         const TripletZEVVector& p_vertices, Edge& p_exitEdge, Triplet& p_exitPoint,
                         float& p_t, float& p_fraction, bool p_inPlane, bool p_useFraction,
                         const Edge* p_skipEdge, const int* p_indices, int p_n) const
{
    p_fraction = 0.0f;
    Triplet direction = p_direction;
    if (p_inPlane) {
        Triplet unitNormal;
        if (!getNormal(p_indices, p_n, p_vertices, unitNormal, true))
            unitNormal = Triplet();
        direction = direction - unitNormal * direction.dot(unitNormal);
    }
    const float fullLength = measures::magnitude(direction);
    // Too short a step has no meaningful fraction.
    if (p_useFraction && fullLength < 1.1920929e-7f)
        return false;
    if (fullLength != 0.0f)
        direction /= fullLength;

    Triplet normal;
    if (!getNormal(p_indices, p_n, p_vertices, normal, false))
        return false;

    for (int k = 0; k < p_n; ++k) {
        const int ia = p_indices[k];
        const int ib = p_indices[(k + 1) % p_n];
        const Edge edge(ia, ib);
        if (p_skipEdge != nullptr && edge == *p_skipEdge)
            continue;
        const Triplet& a = p_vertices[static_cast<std::size_t>(ia)];
        const Triplet& b = p_vertices[static_cast<std::size_t>(ib)];
        // The edge's outward normal within the face: only edges the ray moves towards count.
        Triplet outward = (b - a).cross(normal);
        if (!(direction.dot(outward) > 0.0f))
            continue;
        outward /= measures::magnitude(outward);
        float t = (b - p_start).dot(outward) / outward.dot(direction);
        if (t < 0.0f)
            t = 0.0f;
        p_t = t;
        p_exitPoint = p_start + direction * t;
        if ((p_exitPoint - a).dot(p_exitPoint - b) <= 0.0f) {
            p_exitEdge = edge;
            if (p_useFraction)
                p_fraction = t / fullLength;
            return true;
        }
    }
    return false;
}

bool Face::intersectsWithLine(const Triplet& p_point, const Triplet& p_direction, const int* p_indices,
                              int p_n, const TripletZEVVector& p_vertices, float& p_t,
                              bool p_nearerOnly) const
{
    return LineQueries::fanIntersectsLine(p_indices, p_n, p_point, p_direction, p_vertices, p_t, p_nearerOnly,
                                          true);
}

bool Face::intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                                const int* p_indices, int p_n, const TripletZEVVector& p_vertices,
                                Triplet& p_hit) const
{
    return LineQueries::fanIntersectsCircle(p_indices, p_n, p_centre, p_axis, p_radius, p_vertices, p_hit);
}

bool Face::constructWeights(float p_x, float p_y, float p_z, const int* p_indices, int p_n,
                            const TripletZEVVector& p_vertices, std::vector<float>& p_weights) const
{
    // A face without corners has nothing to weight; say so rather than divide by a zero sum.
    if (p_indices == nullptr || p_n <= 0) {
        p_weights.clear();
        return false;
    }
    p_weights.assign(static_cast<std::size_t>(p_n), 0.0f);
    const double point[3] = {p_x, p_y, p_z};
    double sum = 0.0;
    for (int k = 0; k < p_n; ++k) {
        const Triplet& corner = p_vertices[static_cast<std::size_t>(p_indices[k])];
        double d2 = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double d = point[c] - static_cast<double>(corner[c]);
            d2 += d * d;
        }
        // A point on a corner takes a large finite weight instead of dividing by zero.
        const double raw = d2 < 1e-10 ? 1e10 : 1.0 / d2;
        p_weights[static_cast<std::size_t>(k)] = static_cast<float>(raw);
        sum += raw;
    }
    for (float& w : p_weights)
        w = static_cast<float>(static_cast<double>(w) / sum);
    return true;
}

void Face::constructSTU(float, float, float, const TripletZEVVector&, float&, float&, float&) const
{
    throw data::invalid("Face", "constructSTU", UserMsg("constructSTU called on a Face object"));
}

} // namespace zev
