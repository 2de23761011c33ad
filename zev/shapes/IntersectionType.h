#pragma once
// Where the vertex values of an element cut come from: a scalar field compared with an iso
// value, the distance along a plane normal, or an implicit surface.

namespace zev {

enum IntersectionType { IsosurfaceIntersection = 0, PlaneIntersection = 1, SurfaceIntersection = 2 };

} // namespace zev
