#pragma once
// A vertex interpolant whose target vertices are spread over several parent domains, such as
// points supplied from outside the library and located in a set of domains: each target
// vertex names its domain and is a weighted sum of that domain's vertices. Undefined parent
// values drop out and the remaining weights are renormalised (see RenormalisedSum.h).

#include "zev/interpolants/ExternalInterpolantData.h"
#include "zev/interpolants/ExternalInterpolantNodedef.h"
#include "zev/interpolants/TypedInterpolant.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT ExternalInterpolant
    : public TypedInterpolant<ExternalInterpolant, Interpolant::ExternalRank> {
public:
    // No domain yet; names are added with addDomainName or setDomains.
    ExternalInterpolant();
    ~ExternalInterpolant() override;

    std::size_t size() const override { return m_counts.size(); }
    // Reserves p_count target vertices of about four nodes each.
    void reserve(std::size_t p_count) override;
    int getMaxNodeNumber() const override;
    // -1 for an item outside 0..size()-1. The domain is empty for a vertex without one.
    int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const override;
    void clear() override;
    void write(std::ostream& p_os) const override;
    std::string getName() const override { return "External Interpolant"; }

    void addDomainName(const std::string& p_name) { m_domains.push_back(p_name); }
    void setDomains(const std::vector<std::string>& p_names) { m_domains = p_names; }

    // Appends the first p_def.count nodes under domain p_def.domain; a count that is
    // negative or above p_def.data.size() is refused.
    void pushVertex(const ExternalInterpolantNodedef& p_def);
    // The domain number of target vertex p_item; -1 for none or an item out of range.
    int getDomainNumber(int p_item) const;

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant). Parent k belongs to
    // domain k; a vertex without a valid domain number is undefined.
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;

    std::vector<int> m_counts;
    std::vector<ExternalInterpolantData> m_data;
    std::vector<int> m_domainNumbers;
    // Where each target vertex's nodes start in m_data, and the total (one entry more than
    // m_counts): kept by pushVertex so that item lookups only read and may run on several
    // threads at once.
    std::vector<std::size_t> m_offsets{0};
};

} // namespace zev
