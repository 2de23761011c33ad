#include "zev/derived/ContourGeometry.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

ContourGeometry::ContourGeometry() = default;

ContourGeometry::ContourGeometry(const ContourGeometry& p_other)
    : Geometry(p_other), m_fringeFaceVectors(p_other.m_fringeFaceVectors),
      m_contourLineVectors(p_other.m_contourLineVectors)
{
}

ContourGeometry::~ContourGeometry() = default;

Geometry* ContourGeometry::newGeometry()
{
    return new ContourGeometry();
}

void ContourGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("ContourGeometry", new ContourGeometry());
}

} // namespace zev
