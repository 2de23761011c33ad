#pragma once
// The neighbour table of a surface: for each vertex, the vertices it shares a face edge with.

#include "zev/ZEVExport.h"

#include <set>
#include <vector>

namespace zev {

class Geometry;

// Fills p_table with one set per vertex of p_geometry: the neighbours of the vertex along
// the edges of every face of every face set. Behind Geometry::getNodesAroundNode.
ZEV_EXPORT void buildNodeNeighbours(const Geometry& p_geometry, std::vector<std::set<int>>& p_table);

} // namespace zev
