#include "zev/geometry/GeometryInfoInterface.h"

#include "zev/geometry/VariableDescription.h"

namespace zev {

GeometryInfoInterface::~GeometryInfoInterface() = default;

bool GeometryInfoInterface::calculateVariableOnGeometry(const std::string&, Geometry*) const
{
    return false;
}

void GeometryInfoInterface::getDomainData(const std::string&, FloatZEVVectorConcrete&, const Interpolant*,
                                          const std::string&)
{
}

bool GeometryInfoInterface::variableExists(const std::string& p_name, const std::string&) const
{
    internal::VariableDescription scratch;
    return scratch.query(*this, p_name);
}

void GeometryInfoInterface::calculateTransformVariables(Geometry*, const std::string&) const {}

bool GeometryInfoInterface::isGeometryWallBoundary(Geometry*)
{
    return false;
}

Variable* GeometryInfoInterface::getBoundaryFlow(const std::string&, Geometry*, VarLocation)
{
    return nullptr;
}

} // namespace zev
