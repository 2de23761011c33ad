#include "zev/visitors/LengthVisitor.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"

namespace zev {

void LengthVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const FloatZEVVector* values = p_values;
    if (values == nullptr && !m_variableName.empty()) {
        const Variable* v = p_geometry.getVariable(m_variableName, false, eVertex);
        if (v == nullptr)
            throw data::notFound("LengthVisitor", "visitGeometry",
                                 UserMsg("No data exists for variable '%1' specified in object '%2'.")
                                     .arg(m_variableName)
                                     .arg(p_geometry.getName()));
        values = &v->getFloatValues(Variable::Description(eUnknown, eVertex, "All"));
    }
    doWeightedCalculation(&p_geometry.getVertexLengths(), values, false);
}

} // namespace zev
