#include "zev/shapes/ShapeSetBase.h"

namespace zev {

template class ShapeSetBase<Tet>;
template class ShapeSetBase<Pyramid>;
template class ShapeSetBase<Wedge>;
template class ShapeSetBase<Hex>;
template class ShapeSetBase<Polyhedron>;
template class ShapeSetBase<Tri>;
template class ShapeSetBase<Quad>;
template class ShapeSetBase<Pentagon>;
template class ShapeSetBase<Hexagon>;
template class ShapeSetBase<Polygon>;

} // namespace zev
