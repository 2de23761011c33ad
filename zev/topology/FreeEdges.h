#pragma once
// Free edges of a surface: the face edges used by exactly one face.

#include "zev/ZEVExport.h"
#include "zev/contracts/ZEVVector.h"
#include "zev/shapes/Edge.h"

#include <set>
#include <vector>

namespace zev {

class Geometry;

// The face edges of p_geometry used by exactly one face, in ascending Edge order. Behind
// Geometry::getFreeEdges.
ZEV_EXPORT void findFreeEdges(const Geometry& p_geometry, ZEVVector<Edge>& p_edges);

// Removes from p_vertices the vertices of p_locator that lie on one of p_boundaries (judged
// through the parent-domain vertices of the interpolants) and from p_edges every edge that
// lost a vertex; with p_perBoundary, also collects the removed vertices per boundary.
// Behind Geometry::findFreeEdgesOnBoundaries.
ZEV_EXPORT void removeEdgesOnBoundaries(Geometry& p_locator, std::vector<Geometry*>& p_boundaries,
                                        ZEVVector<Edge>& p_edges, std::set<int>& p_vertices,
                                        std::vector<std::set<int>>* p_perBoundary);

} // namespace zev
