#pragma once
// The type numbers of the ten shape classes. Other subsystems store and compare these
// numbers, so the values are fixed; 0 and 1 belong to no shape class.

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

} // namespace zev
