#include "zev/derived/SymbolGeometry.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

SymbolGeometry::SymbolGeometry() = default;

SymbolGeometry::SymbolGeometry(const SymbolGeometry& p_other)
    : Geometry(p_other), m_directions(p_other.m_directions), m_orientations(p_other.m_orientations)
{
}

SymbolGeometry::~SymbolGeometry() = default;

Geometry* SymbolGeometry::newGeometry()
{
    return new SymbolGeometry();
}

void SymbolGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("SymbolGeometry", new SymbolGeometry());
}

} // namespace zev
