#include "zev/geometry/GeometryInfoInterface.h"

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
    int components = 0;
    bool isExpression = true;
    std::vector<std::string> expressions;
    bool needsCalculation = false;
    int unused1 = 0;
    int unused2 = 0;
    std::string unused3;
    return describeVariable(p_name, components, isExpression, expressions, needsCalculation, unused1, unused2,
                            unused3);
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
