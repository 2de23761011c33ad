#pragma once
// The general vertex interpolant: every target vertex is a weighted sum of vertices of one
// of several parent domains (sample points over several domains, unified surfaces, points
// projected onto surfaces).

#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/TypedInterpolant.h"

#include <map>
#include <vector>

namespace zev {

class ZEV_EXPORT HybridInterpolant : public TypedInterpolant<HybridInterpolant, Interpolant::HybridRank> {
public:
    // With one domain, or none for the empty name.
    explicit HybridInterpolant(const std::string& p_domain = std::string());
    ~HybridInterpolant() override;

    std::size_t size() const override { return m_records.size(); }
    void reserve(std::size_t p_count) override { m_records.reserve(p_count); }
    int getMaxNodeNumber() const override;
    int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const override;
    void clear() override { m_records.clear(); }
    void write(std::ostream& p_os) const override;
    std::string getName() const override { return "Hybrid Interpolant"; }

    void setDomain(const std::string& p_domain);
    // -1 for the empty name; otherwise the name's index, appending it when new.
    int getDomainIndex(const std::string& p_name);

    // These three refuse an interpolant without a domain and file the record under domain 0.
    void pushVertex(int p_first, int p_second, float p_weight);
    void pushVertex(const int* p_nodes, const float* p_weights, std::size_t p_count);
    void addData(const std::map<std::size_t, HybridInterpolantData>& p_data);
    // Files a copy of p_data under p_domain (added to the domains when new).
    void pushVertex(const HybridInterpolantData& p_data, const std::string& p_domain);
    // Files the two-node record of p_edge as built (domain index -1).
    void pushVertex(const EdgeInterpolantData& p_edge);
    void swapInternalData(std::vector<HybridInterpolantData>& p_data) { m_records.swap(p_data); }

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant). The weights are used
    // as stored (not normalised); an item whose domain index is -1, that has no node, or that
    // reads an undefined value is undefined.
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    const HybridInterpolantData& getInternalData(std::size_t p_item) const { return m_records[p_item]; }
    void requireDomain() const;

    std::vector<HybridInterpolantData> m_records;
};

} // namespace zev
