#include "zev/visitors/SummationVisitor.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"

namespace zev {

namespace {
const double kUnset = static_cast<double>(ZEV_UNDEF);
}

SummationVisitor::SummationVisitor(const std::string& p_name, int p_mode)
    : m_variableName(p_name), m_min(kUnset), m_max(kUnset), m_mode(p_mode)
{
}

double SummationVisitor::getSum() const
{
    return m_valid ? m_sum : kUnset;
}

double SummationVisitor::getAve() const
{
    if (!m_valid)
        return kUnset;
    if (m_count == 0)
        return 0.0;
    return m_sum / m_count;
}

void SummationVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const FloatZEVVector* values = p_values;
    if (values == nullptr && !m_variableName.empty()) {
        const VarLocation location = p_geometry.getLocationForExpression(m_variableName);
        const Variable* v = p_geometry.getVariable(m_variableName, false, location);
        if (v == nullptr)
            throw data::notFound("SummationVisitor", "visitGeometry",
                                 UserMsg("Variable '%1' does not exist.").arg(m_variableName));
        values = &v->getFloatValues(Variable::Description(eUnknown, location, "All"));
    }
    if (values == nullptr) {
        m_count += p_geometry.getNumVertices();
        return;
    }
    if (m_mode == 1) {
        for (std::size_t i = 0; i < values->size(); ++i) {
            const float f = (*values)[i];
            if (!(f > 0.5f) || f == ZEV_UNDEF)
                continue;
            if (m_min == kUnset || f < m_min)
                m_min = f;
            if (m_max == kUnset || f > m_max)
                m_max = f;
            ++m_count;
            m_sum += f;
        }
    } else {
        const float minimum = values->getMin();
        const float maximum = values->getMax();
        if (minimum != ZEV_UNDEF && (m_min == kUnset || minimum < m_min))
            m_min = minimum;
        if (maximum != ZEV_UNDEF && (m_max == kUnset || maximum > m_max))
            m_max = maximum;
        m_count += values->getNvalid();
        m_sum += values->getSum();
    }
    if (m_min != kUnset || p_geometry.getNumVertices() == 0)
        m_valid = true;
}

} // namespace zev
