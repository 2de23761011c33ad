#pragma once
// A vertex interpolant whose target vertices lie inside elements of one parent domain: each
// target vertex is a weighted sum of the element's vertices. Undefined parent values drop
// out and the remaining weights are renormalised (see RenormalisedSum.h for the rule).

#include "zev/interpolants/GeneralInterpolantData.h"
#include "zev/interpolants/GeneralInterpolantNodedef.h"
#include "zev/interpolants/TypedInterpolant.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zev {

class Shape;

class ZEV_EXPORT GeneralInterpolant : public TypedInterpolant<GeneralInterpolant> {
public:
    explicit GeneralInterpolant(const std::string& p_domain);
    ~GeneralInterpolant() override;

    std::size_t size() const override { return m_counts.size(); }
    // Reserves p_count target vertices of about four nodes each.
    void reserve(std::size_t p_count) override;
    int getMaxNodeNumber() const override;
    // -1 for an item outside 0..size()-1.
    int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const override;
    void clear() override;
    void write(std::ostream& p_os) const override;
    std::string getName() const override { return "General Interpolant"; }

    // Appends the first p_def.count nodes; a count outside 0..8 is refused.
    void pushVertex(const GeneralInterpolantNodedef& p_def);
    // Appends one target vertex made of the shape's vertices with p_weights[k] for vertex k.
    void pushVertex(const Shape* p_shape, const float* p_weights);

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant).
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    void appendNode(int p_node, float p_weight);

    std::vector<int> m_counts;
    std::vector<GeneralInterpolantData> m_data;
    // Where each target vertex's nodes start in m_data, and the total (one entry more than
    // m_counts): kept by pushVertex so that item lookups only read and may run on several
    // threads at once.
    std::vector<std::size_t> m_offsets{0};
};

} // namespace zev
