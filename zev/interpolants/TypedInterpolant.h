#pragma once
// The part of a concrete interpolant that is the same for both value kinds. Derived writes
// its typed interpolation once, as a member template
//   interpolateValues(const std::vector<const Parent*>&, VarType, Target&)
// over the parent kind (ScalarVariable with FloatZEVVector, VectorVariable with
// TripletZEVVector), and may write its sparse-map interpolation likewise as
//   interpolateValuesFromMap(std::map<std::size_t, Value>&, Target&);
// this class turns them into the scalar and vector overrides of Interpolant. Derived is
// expected to befriend it when the two are private. clone() copies Derived and gives the copy
// quality rank CloneRank. The members are defined in TypedInterpolantImpl.h, which the source of
// each concrete interpolant includes to instantiate this class for itself.

#include "zev/ZEVExport.h"
#include "zev/interpolants/Interpolant.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zev {

template <class Derived, Interpolant::InterpolantQualityRank CloneRank = Interpolant::NoRank>
class ZEV_EXPORT TypedInterpolant : public Interpolant {
public:
    using Interpolant::interpolate;
    void interpolate(const std::vector<const VectorVariable*>& p_parents, VarType p_type,
                     TripletZEVVector& p_target) const override;
    void interpolate(const std::vector<const ScalarVariable*>& p_parents, VarType p_type,
                     FloatZEVVector& p_target) const override;
    void interpolateFromMap(std::map<std::size_t, TripletBase<float>>& p_values,
                            TripletZEVVector& p_target) const override;
    void interpolateFromMap(std::map<std::size_t, float>& p_values, FloatZEVVector& p_target) const override;
    Interpolant* clone() const override;

protected:
    TypedInterpolant() = default;
    // An interpolant of one parent domain, of quality rank p_rank.
    TypedInterpolant(const std::string& p_domain, InterpolantQualityRank p_rank)
    {
        m_domains.push_back(p_domain);
        m_qualityRank = p_rank;
    }
    // getInternalData of an interpolant with one record per target item, each convertible to
    // a HybridInterpolantData: the recipe of record p_item under the first domain name; -1
    // for an item outside the records.
    template <class Records>
    int recipeOf(const Records& p_records, int p_item, HybridInterpolantData& p_data,
                 std::string& p_domain) const;

private:
    const Derived& derived() const { return static_cast<const Derived&>(*this); }
    // An interpolant without a sparse-map form leaves the target as it is, as the base does.
    template <class Value, class Target>
    void interpolateValuesFromMap(std::map<std::size_t, Value>&, Target&) const;
};

} // namespace zev
