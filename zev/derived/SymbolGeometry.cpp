#include "zev/derived/SymbolGeometry.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

Geometry* SymbolGeometry::newGeometry()
{
    return new SymbolGeometry();
}

void SymbolGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("SymbolGeometry", new SymbolGeometry());
}

} // namespace zev
