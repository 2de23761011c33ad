#pragma once
// The type numbers of the ten shape classes. Other subsystems store and compare these
// numbers, so the values are fixed; 0 and 1 belong to no shape class.

#include "zev/ZEVExport.h"

namespace zev {

enum ShapeType {
    TRI = 2,
    QUAD = 3,
    TET = 4,
    WEDGE = 5,
    HEX = 6,
    PYRAMID = 7,
    PENTAGON = 8,
    HEXAGON = 9,
    POLYGON = 10,
    POLYHEDRON = 11
};

// The shape class name of p_type ("Tri", "Quad", ..., "Polyhedron"); "Unknown" for a
// number that names no shape class.
ZEV_EXPORT const char* toString(ShapeType p_type);

} // namespace zev
