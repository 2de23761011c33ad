#pragma once
// The base of the weighted integrals: accumulates a weighted sum of values (numerator) and
// the sum of the weights (denominator) in double precision over every geometry visited.

#include "zev/variables/VarType.h"
#include "zev/visitors/GeometryVisitor.h"

#include <string>

namespace zev {

class ZEV_EXPORT IntegrationVisitor : public GeometryVisitor {
public:
    IntegrationVisitor() = default;
    explicit IntegrationVisitor(const std::string& p_name) : m_variableName(p_name) {}

    // The undefined value until something has been accumulated.
    double getNumerator() const;
    double getDenominator() const { return m_denominator; }
    // numerator / denominator, with 0 for a zero numerator and the undefined value when
    // nothing was accumulated or the quotient would overflow.
    double getAverage() const;
    const std::string& getVariableName() const { return m_variableName; }

protected:
    // Adds value * weight (multiplied in single precision) and the weight for every entry
    // where both are defined; without values only the weights are summed. Values beyond the
    // number of weights are ignored; fewer values than weights are refused.
    void doWeightedCalculation(const FloatZEVVector* p_weights, const FloatZEVVector* p_values,
                               bool p_useAbsWeights);
    // The values to weigh: p_values when given or when no variable is named, else the named
    // variable's values at p_location on p_geometry. An absent variable is reported as
    // p_visitor's failure.
    const FloatZEVVector* valuesToWeigh(Geometry& p_geometry, const FloatZEVVector* p_values,
                                        VarLocation p_location, const char* p_visitor) const;

    std::string m_variableName;
    double m_numerator = 0.0;
    double m_denominator = 0.0;
};

} // namespace zev
