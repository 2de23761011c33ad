#include "zev/visitors/IntegrationVisitor.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/FloatReader.h"

#include <cmath>
#include <limits>

namespace zev {

const FloatZEVVector* IntegrationVisitor::valuesToWeigh(Geometry& p_geometry, const FloatZEVVector* p_values,
                                                        VarLocation p_location, const char* p_visitor) const
{
    if (p_values != nullptr || m_variableName.empty())
        return p_values;
    const Variable* v = p_geometry.getVariable(m_variableName, false, p_location);
    if (v == nullptr)
        throw data::notFound(p_visitor, "visitGeometry",
                             UserMsg("No data exists for variable '%1' specified in object '%2'.")
                                 .arg(m_variableName)
                                 .arg(p_geometry.getName()));
    return &v->getFloatValues(Variable::Description(eUnknown, p_location, "All"));
}

double IntegrationVisitor::getNumerator() const
{
    return m_valid ? m_numerator : static_cast<double>(ZEV_UNDEF);
}

double IntegrationVisitor::getAverage() const
{
    const double undefined = static_cast<double>(ZEV_UNDEF);
    if (!m_valid)
        return undefined;
    if (m_numerator == 0.0)
        return 0.0;
    if (m_denominator == 0.0)
        return undefined;
    if (!(std::fabs(m_denominator) > std::fabs(m_numerator)) &&
        std::fabs(m_denominator / m_numerator) < static_cast<double>(std::numeric_limits<float>::min()))
        return undefined;
    return m_numerator / m_denominator;
}

void IntegrationVisitor::doWeightedCalculation(const FloatZEVVector* p_weights,
                                               const FloatZEVVector* p_values, bool p_useAbsWeights)
{
    const char* const cls = "IntegrationVisitor";
    const char* const method = "doWeightedCalculation";
    if (p_weights == nullptr)
        throw internal::error(cls, method, SystemMsg("Null pointer to %1.").arg("p_weights"));
    const std::size_t n = p_weights->size();
    if (p_values && p_values->size() < n)
        throw internal::error(cls, method, SystemMsg("Number of weights different from number of values."));
    if (p_values) {
        internal::withFloatReader(*p_values, [&](auto p_value) {
            internal::withFloatReader(*p_weights, [&](auto p_weight) {
                for (std::size_t i = 0; i < n; ++i) {
                    const float v = p_value(i);
                    float w = p_weight(i);
                    if (v == ZEV_UNDEF || w == ZEV_UNDEF)
                        continue;
                    if (p_useAbsWeights)
                        w = std::fabs(w);
                    const float product = v * w;
                    m_numerator += product;
                    m_denominator += w;
                    m_valid = true;
                }
            });
        });
        return;
    }
    internal::withFloatReader(*p_weights, [&](auto p_weight) {
        for (std::size_t i = 0; i < n; ++i) {
            float w = p_weight(i);
            if (w == ZEV_UNDEF)
                continue;
            m_denominator += p_useAbsWeights ? std::fabs(w) : w;
        }
    });
    if (n > 0)
        m_valid = true;
}

} // namespace zev
