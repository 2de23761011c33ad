#pragma once
// Wireframes of a surface as line arrays (pairs of vertex indices).

#include "zev/ZEVExport.h"
#include "zev/contracts/IntZEVVector.h"

namespace zev {

class Geometry;

// Appends every distinct face edge of p_geometry to p_lines, in ascending Edge order.
// Behind Geometry::calculateFullWireframe.
ZEV_EXPORT void fullWireframe(const Geometry& p_geometry, IntZEVVector& p_lines);

// Appends the edges of the faces with a normal whose neighbouring faces all bend away from
// the first face by more than the angle of cosine p_cosine (free edges included). Behind
// Geometry::calculateVisibleWireframe.
ZEV_EXPORT void visibleWireframe(const Geometry& p_geometry, IntZEVVector& p_lines, float p_cosine);

} // namespace zev
