#include "zev/visitors/LengthVisitor.h"

#include "zev/geometry/Geometry.h"

namespace zev {

void LengthVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const FloatZEVVector* values = valuesToWeigh(p_geometry, p_values, eVertex, "LengthVisitor");
    doWeightedCalculation(&p_geometry.getVertexLengths(), values, false);
}

} // namespace zev
