#pragma once
// Internal: the members of TypedInterpolant. The source of each concrete interpolant includes
// this after defining its own member templates and instantiates the class for itself, so the
// overrides are compiled (and exported) once, beside the code they call.

#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/TypedInterpolant.h"

namespace zev {

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
void TypedInterpolant<Derived, CloneRank>::interpolate(const std::vector<const VectorVariable*>& p_parents,
                                                       VarType p_type, TripletZEVVector& p_target) const
{
    derived().interpolateValues(p_parents, p_type, p_target);
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
void TypedInterpolant<Derived, CloneRank>::interpolate(const std::vector<const ScalarVariable*>& p_parents,
                                                       VarType p_type, FloatZEVVector& p_target) const
{
    derived().interpolateValues(p_parents, p_type, p_target);
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
void TypedInterpolant<Derived, CloneRank>::interpolateFromMap(
    std::map<std::size_t, TripletBase<float>>& p_values, TripletZEVVector& p_target) const
{
    derived().interpolateValuesFromMap(p_values, p_target);
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
void TypedInterpolant<Derived, CloneRank>::interpolateFromMap(std::map<std::size_t, float>& p_values,
                                                              FloatZEVVector& p_target) const
{
    derived().interpolateValuesFromMap(p_values, p_target);
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
Interpolant* TypedInterpolant<Derived, CloneRank>::clone() const
{
    auto* copy = new Derived(derived());
    copy->setQualityRank(CloneRank);
    return copy;
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
template <class Value, class Target>
void TypedInterpolant<Derived, CloneRank>::interpolateValuesFromMap(std::map<std::size_t, Value>&,
                                                                    Target&) const
{
}

template <class Derived, Interpolant::InterpolantQualityRank CloneRank>
template <class Records>
int TypedInterpolant<Derived, CloneRank>::recipeOf(const Records& p_records, int p_item,
                                                   HybridInterpolantData& p_data, std::string& p_domain) const
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= p_records.size())
        return -1;
    p_data = HybridInterpolantData(p_records[static_cast<std::size_t>(p_item)]);
    p_domain = m_domains.empty() ? std::string() : m_domains.front();
    return 0;
}

} // namespace zev
