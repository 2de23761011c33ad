#include "zev/visitors/VolumeVisitor.h"

#include "zev/geometry/Geometry.h"

namespace zev {

void VolumeVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const VarLocation location = p_geometry.getLocationForExpression(m_variableName);
    const FloatZEVVector* values = valuesToWeigh(p_geometry, p_values, location, "VolumeVisitor");
    const FloatZEVVector& weights =
        location == eVertex ? p_geometry.getVertexVolumes() : p_geometry.getElementVolumes();
    doWeightedCalculation(&weights, values, false);
}

} // namespace zev
