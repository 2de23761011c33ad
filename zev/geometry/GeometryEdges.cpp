// Geometry: free edges, vertex neighbours, line arrays and wireframes of the face sets. The
// algorithms live in zev/topology/; the members forward to them.

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/GeometricAlgorithmInterface.h"
#include "zev/geometry/Geometry.h"
#include "zev/topology/FreeEdges.h"
#include "zev/topology/NodeNeighbours.h"
#include "zev/topology/Wireframe.h"

#include <cmath>

namespace zev {

namespace {

const char* const kClass = "Geometry";

} // namespace

// ------------------------------------------------------------------ free edges

void Geometry::getFreeEdges(ZEVVector<Edge>& p_edges) const
{
    findFreeEdges(*this, p_edges);
}

void Geometry::getFreeEdges(ZEVVector<Edge>& p_edges, std::set<int>& p_vertices) const
{
    p_vertices.clear();
    getFreeEdges(p_edges);
    for (const Edge& edge : p_edges) {
        p_vertices.insert(edge.firstVertex());
        p_vertices.insert(edge.secondVertex());
    }
}

void Geometry::findFreeEdgesOnBoundaries(std::vector<Geometry*>& p_boundaries, ZEVVector<Edge>& p_edges,
                                         std::set<int>& p_vertices, std::vector<std::set<int>>* p_perBoundary)
{
    removeEdgesOnBoundaries(*this, p_boundaries, p_edges, p_vertices, p_perBoundary);
}

// ------------------------------------------------------------------ neighbours

void Geometry::getNodesAroundNode(int p_node, std::set<int>& p_neighbours)
{
    ensureCachesCurrent();
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    if (m_nodeNeighbours.empty())
        buildNodeNeighbours(*this, m_nodeNeighbours);
    if (p_node < 0 || static_cast<std::size_t>(p_node) >= m_nodeNeighbours.size())
        throw internal::error(kClass, "getNodesAroundNode",
                              SystemMsg("Could not find node %1 in surrounding node set.").arg(p_node));
    p_neighbours = m_nodeNeighbours[static_cast<std::size_t>(p_node)];
}

// ------------------------------------------------------------------ lines and wireframes

void Geometry::calculateLines(float p_featureAngle)
{
    calculateWireframe(m_vertices, m_lines, p_featureAngle);
}

void Geometry::calculateWireframe(TripletZEVVector& p_vertices, IntZEVVector& p_lines, float p_featureAngle)
{
    p_lines.clear();
    if (m_geomAlgIntf) {
        m_geomAlgIntf->calculateFeatureLines(getName(), p_vertices, p_lines,
                                             static_cast<double>(p_featureAngle));
        return;
    }
    builtInWireframe(p_lines, p_featureAngle);
}

void Geometry::builtInWireframe(IntZEVVector& p_lines, float p_featureAngle)
{
    if (m_faceSets.empty())
        return;
    const double cosine = std::cos(static_cast<double>(p_featureAngle) / 180.0 * 3.141592653589793);
    if (std::fabs(cosine) >= 0.99)
        calculateFullWireframe(p_lines);
    else
        calculateVisibleWireframe(p_lines, static_cast<float>(cosine));
}

void Geometry::calculateFullWireframe(IntZEVVector& p_lines)
{
    fullWireframe(*this, p_lines);
}

void Geometry::calculateVisibleWireframe(IntZEVVector& p_lines, float p_cosine)
{
    visibleWireframe(*this, p_lines, p_cosine);
}

// ------------------------------------------------------------------ virtual slots

Geometry* Geometry::makeWireFrame(float)
{
    return nullptr;
}

void Geometry::getSurfaceFaceNames(std::map<FaceType, std::string>& p_names)
{
    p_names.clear();
    p_names[Triangles] = "ELEMTRIS";
    p_names[Quadrilaterals] = "ELEMQUADS";
    p_names[Polygons] = "ELEMPOLYGONS";
}

} // namespace zev
