#pragma once
// Merging of coincident vertices.

#include "zev/ZEVExport.h"

namespace zev {

class Geometry;

// Merges the vertices of p_geometry closer than p_tolerance (a negative tolerance derives
// one from the shapes' length scales), renumbers every shape and line, drops the Tri faces
// that collapse, and deletes all variables. The surviving vertices are ordered by distance
// from the origin, even when nothing merges. Behind Geometry::removeDuplicateVertices.
ZEV_EXPORT void mergeVertices(Geometry& p_geometry, double p_tolerance);

} // namespace zev
