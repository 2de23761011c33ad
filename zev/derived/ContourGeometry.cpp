#include "zev/derived/ContourGeometry.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

Geometry* ContourGeometry::newGeometry()
{
    return new ContourGeometry();
}

void ContourGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("ContourGeometry", new ContourGeometry());
}

} // namespace zev
