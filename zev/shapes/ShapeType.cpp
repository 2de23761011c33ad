#include "zev/shapes/ShapeType.h"

namespace zev {

const char* toString(ShapeType p_type)
{
    switch (p_type) {
    case TRI:
        return "Tri";
    case QUAD:
        return "Quad";
    case TET:
        return "Tet";
    case WEDGE:
        return "Wedge";
    case HEX:
        return "Hex";
    case PYRAMID:
        return "Pyramid";
    case PENTAGON:
        return "Pentagon";
    case HEXAGON:
        return "Hexagon";
    case POLYGON:
        return "Polygon";
    case POLYHEDRON:
        return "Polyhedron";
    }
    return "Unknown";
}

} // namespace zev
