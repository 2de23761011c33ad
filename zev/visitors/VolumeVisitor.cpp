#include "zev/visitors/VolumeVisitor.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"

namespace zev {

void VolumeVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const VarLocation location = p_geometry.getLocationForExpression(m_variableName);
    const FloatZEVVector* values = p_values;
    if (values == nullptr && !m_variableName.empty()) {
        const Variable* v = p_geometry.getVariable(m_variableName, false, location);
        if (v == nullptr)
            throw data::notFound("VolumeVisitor", "visitGeometry",
                                 UserMsg("No data exists for variable '%1' specified in object '%2'.")
                                     .arg(m_variableName)
                                     .arg(p_geometry.getName()));
        values = &v->getFloatValues(Variable::Description(eUnknown, location, "All"));
    }
    const FloatZEVVector& weights =
        location == eVertex ? p_geometry.getVertexVolumes() : p_geometry.getElementVolumes();
    doWeightedCalculation(&weights, values, false);
}

} // namespace zev
