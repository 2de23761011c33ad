// The Geometry members of projection and the virtual layer: each gathers what the
// geometry holds and hands it to the search module that does the work.

#include "zev/geometry/Geometry.h"

#include "zev/contracts/MapContents.h"
#include "zev/search/NearestVertices.h"
#include "zev/search/Projection.h"
#include "zev/search/ProjectionStatistics.h"
#include "zev/search/VirtualLayer.h"
#include "zev/shapes/ShapeSet.h"

namespace zev {

void Geometry::projectOnGeometry(const TripletZEVVector& p_points, HybridInterpolant* p_interpolant,
                                 ProjectionStatistics& p_statistics)
{
    if (p_interpolant == nullptr || m_faceSets.empty())
        return;
    SurfaceProjector projector(
        m_vertices, internal::valuesOf<const ShapeSet*>(m_faceSets),
        [this](int p_vertex, std::set<int>& p_around) { getNodesAroundNode(p_vertex, p_around); });
    projector.project(p_points, *p_interpolant, getDomain(), p_statistics);
}

void Geometry::projectVerticesOnGeometry(const TripletZEVVector& p_points, std::vector<shapeIndex>& p_faces,
                                         TripletZEVVector& p_projected)
{
    if (m_faceSets.empty())
        return;
    SurfaceProjector projector(m_vertices, internal::valuesOf<const ShapeSet*>(m_faceSets),
                               SurfaceProjector::NeighbourSource());
    projector.projectVertices(p_points, p_faces, p_projected);
}

void Geometry::findClosestNodes(const Triplet& p_point, std::map<double, int>& p_nodes) const
{
    NearestVertices::scan(m_vertices, p_point, SurfaceProjector::nodesToCheck(), p_nodes);
}

bool Geometry::isEquivalentNode(const Triplet& p_point, const std::map<double, int>& p_nodes)
{
    if (p_nodes.empty())
        return false;
    auto nearest = p_nodes.begin();
    auto second = std::next(nearest);
    const bool hasSecond = second != p_nodes.end();
    std::set<int> around;
    getNodesAroundNode(nearest->second, around);
    std::vector<int> aroundList;
    for (int m : around)
        if (m >= 0 && m < getNumVertices())
            aroundList.push_back(m);
    (void)p_point; // the map already holds the point's distances
    const Triplet& node = m_vertices[static_cast<std::size_t>(nearest->second)];
    return SurfaceProjector::isEquivalent(nearest->first, hasSecond, hasSecond ? second->first : 0.0, node,
                                          m_vertices, aroundList.data(), aroundList.size());
}

bool Geometry::createVirtualLayer(float p_tolerance)
{
    std::map<FaceType, std::string> names;
    getSurfaceFaceNames(names);
    return VirtualLayer::create(*this, names, p_tolerance, m_virtualLayerSets, m_virtualLayerVertices,
                                m_virtualLayerSetIndices, m_virtualLayerTolerance,
                                [this] { removeVirtualLayer(); });
}

} // namespace zev
