// Geometry: boundary-face construction, vertex merging and assembly of geometries from
// other geometries. The algorithms live in zev/topology/; the members forward to them.

#include "zev/geometry/Geometry.h"
#include "zev/topology/BoundaryFaces.h"
#include "zev/topology/GeometryAssembly.h"
#include "zev/topology/VertexMerging.h"

namespace zev {

bool Geometry::calculateFaces()
{
    return buildBoundaryFaces(*this);
}

void Geometry::removeDuplicateVertices(double p_tolerance)
{
    // Marked before and after: a failure half-way leaves no cache of the old numbering.
    markChanged();
    mergeVertices(*this, p_tolerance);
    markChanged();
}

int Geometry::unify(std::vector<Geometry*>& p_sources, std::vector<std::vector<int>>& p_vertexMaps,
                    bool p_makeMaps, bool p_makeInterpolant)
{
    markChanged();
    const int count = unifyGeometries(*this, p_sources, p_vertexMaps, p_makeMaps, p_makeInterpolant);
    markChanged();
    return count;
}

void Geometry::constructSubdomain(Geometry* p_domain, const std::vector<std::string>& p_elementSetNames)
{
    markChanged();
    assembleSubdomain(*this, p_domain, p_elementSetNames);
    markChanged();
}

} // namespace zev
