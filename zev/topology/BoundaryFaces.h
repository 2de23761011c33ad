#pragma once
// Construction of the boundary faces of a geometry's element sets.

#include "zev/ZEVExport.h"

namespace zev {

class Geometry;

// Builds the boundary faces of p_geometry's element sets into the face sets "ELEMTRIS",
// "ELEMQUADS" and "ELEMPOLYGONS" (a name already taken is not replaced). A face survives
// when no other element face has the same vertex set; survivors keep the orientation of
// their element and their order of first occurrence. False when there are no elements or
// no boundary face. Behind Geometry::calculateFaces.
ZEV_EXPORT bool buildBoundaryFaces(Geometry& p_geometry);

} // namespace zev
