#include "zev/shapes/ShapeSet.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"

#include <vector>

namespace zev {

ShapeSet::~ShapeSet() = default;

int ShapeSet::getNumVertices() const
{
    return getNumVerticesPerShape() * static_cast<int>(size());
}

float ShapeSet::calcVertexVolumes(const TripletZEVVector& p_vertices,
                                  FloatZEVVectorConcrete& p_vertexVolumes) const
{
    if (p_vertices.size() != p_vertexVolumes.size())
        throw internal::error("ShapeSet", "calcVertexVolumes",
                              SystemMsg("Vertices array/Vertex Volume array size mismatch (%1,%2)")
                                  .arg(p_vertices.size())
                                  .arg(p_vertexVolumes.size()));
    float total = 0.0f;
    const std::size_t n = size();
    for (std::size_t i = 0; i < n; ++i)
        total += (*this)[i].calcVertexVolumes(p_vertices, p_vertexVolumes);
    return total;
}

void ShapeSet::setExtents(const Triplet& p_min, const Triplet& p_max)
{
    m_min = p_min;
    m_max = p_max;
    m_extentsSet = true;
}

bool ShapeSet::getExtents(Triplet& p_min, Triplet& p_max) const
{
    p_min = m_min;
    p_max = m_max;
    return m_extentsSet;
}

void ShapeSet::calcExtents(const TripletZEVVector& p_vertices, Triplet& p_min, Triplet& p_max) const
{
    p_min = Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    p_max = p_min;
    const std::size_t numVertices = p_vertices.size();
    const std::size_t numShapes = size();
    if (numVertices == 0 || numShapes == 0)
        return;

    // One flag per vertex, so a vertex shared by many shapes is looked at once.
    std::vector<unsigned char> seen(numVertices, 0);
    Triplet lo;
    Triplet hi;
    bool any = false;
    for (std::size_t s = 0; s < numShapes; ++s) {
        const Shape& shape = (*this)[s];
        const int n = shape.getNumVertices();
        for (int k = 0; k < n; ++k) {
            const int v = shape[k];
            if (v < 0 || static_cast<std::size_t>(v) >= numVertices)
                throw data::invalid(
                    "ShapeSet", "calcExtents",
                    SystemMsg("Vertex index %1 out of range 0..%2").arg(v).arg(numVertices - 1));
            if (seen[static_cast<std::size_t>(v)])
                continue;
            seen[static_cast<std::size_t>(v)] = 1;
            const Triplet& p = p_vertices[static_cast<std::size_t>(v)];
            if (!any) {
                // The first vertex met starts both running corners.
                lo = p;
                hi = p;
                any = true;
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                if (lo[c] > p[c])
                    lo[c] = p[c];
                else if (p[c] > hi[c])
                    hi[c] = p[c];
            }
        }
    }
    if (!any)
        return;
    p_min = lo;
    p_max = hi;
    m_min = lo;
    m_max = hi;
    m_extentsSet = true;
}

float ShapeSet::calcVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                                FloatZEVVectorConcrete& p_vertexAreas) const
{
    if (p_vertices.size() != p_vertexAreas.size())
        throw internal::error("ShapeSet", "calcVertexAreas",
                              SystemMsg("Vertices array/Vertex Area array size mismatch (%1,%2)")
                                  .arg(p_vertices.size())
                                  .arg(p_vertexAreas.size()));
    float total = 0.0f;
    const std::size_t n = size();
    // The shapes add into the area vectors by vertex number; a shorter array would be
    // written past its end, so it is first grown to cover every vertex (new entries zero).
    if (n > 0 && p_vertexAreaVectors.size() < p_vertices.size())
        p_vertexAreaVectors.resize(p_vertices.size());
    for (std::size_t i = 0; i < n; ++i)
        total += (*this)[i].calcVertexAreas(p_vertices, p_vertexAreaVectors, p_vertexAreas);
    return total;
}

void ShapeSet::addVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                              FloatZEVVectorConcrete& p_vertexAreas) const
{
    if (p_vertices.size() != p_vertexAreas.size())
        throw internal::error("ShapeSet", "calcVertexAreas",
                              SystemMsg("Vertices array/Vertex Area array size mismatch (%1,%2)")
                                  .arg(p_vertices.size())
                                  .arg(p_vertexAreas.size()));
    const std::size_t n = size();
    if (n > 0 && p_vertexAreaVectors.size() < p_vertices.size())
        p_vertexAreaVectors.resize(p_vertices.size());
    for (std::size_t i = 0; i < n; ++i)
        (*this)[i].addVertexAreaShares(p_vertices, p_vertexAreaVectors, p_vertexAreas);
}

void ShapeSet::clearDataStores()
{
    const std::size_t n = size();
    for (std::size_t i = 0; i < n; ++i)
        (*this)[i].clearDataStores();
}

} // namespace zev
