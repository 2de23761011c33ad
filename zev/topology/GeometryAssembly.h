#pragma once
// Assembly of one geometry from others.

#include "zev/ZEVExport.h"

#include <string>
#include <vector>

namespace zev {

class Geometry;

// Concatenates the vertices, lines and face sets of p_sources into the empty p_target (face
// sets named "FS" and ten digits), optionally with the vertex map of each source and a
// hybrid interpolant back to the sources. Returns the total vertex count. Behind
// Geometry::unify.
ZEV_EXPORT int unifyGeometries(Geometry& p_target, std::vector<Geometry*>& p_sources,
                               std::vector<std::vector<int>>& p_vertexMaps, bool p_makeMaps,
                               bool p_makeInterpolant);

// Copies the named element sets of p_domain into p_target with the vertices they use, in
// ascending domain order, and a vertex interpolant to p_domain. Behind
// Geometry::constructSubdomain.
ZEV_EXPORT void assembleSubdomain(Geometry& p_target, Geometry* p_domain,
                                  const std::vector<std::string>& p_elementSetNames);

} // namespace zev
