#include "zev/interpolants/HybridInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace zev {

HybridInterpolant::HybridInterpolant(const std::string& p_domain)
{
    if (!p_domain.empty())
        m_domains.push_back(p_domain);
    m_qualityRank = HybridRank;
}

HybridInterpolant::~HybridInterpolant() = default;

void HybridInterpolant::setDomain(const std::string& p_domain)
{
    m_domains.assign(1, p_domain);
}

int HybridInterpolant::getDomainIndex(const std::string& p_name)
{
    if (p_name.empty())
        return -1;
    auto it = std::find(m_domains.begin(), m_domains.end(), p_name);
    if (it != m_domains.end())
        return static_cast<int>(it - m_domains.begin());
    m_domains.push_back(p_name);
    return static_cast<int>(m_domains.size()) - 1;
}

void HybridInterpolant::requireDomain() const
{
    if (m_domains.empty())
        throw internal::error("HybridInterpolant", "pushVertex",
                              SystemMsg("Attempt to add hybrid interpolant  without a domain."));
}

void HybridInterpolant::pushVertex(int p_first, int p_second, float p_weight)
{
    requireDomain();
    m_records.emplace_back(p_first, p_second, p_weight);
    m_records.back().m_domainIndex = 0;
}

void HybridInterpolant::pushVertex(const int* p_nodes, const float* p_weights, std::size_t p_count)
{
    requireDomain();
    m_records.emplace_back(p_nodes, p_weights, static_cast<int>(p_count));
    m_records.back().m_domainIndex = 0;
}

void HybridInterpolant::addData(const std::map<std::size_t, HybridInterpolantData>& p_data)
{
    requireDomain();
    m_records.reserve(m_records.size() + p_data.size());
    for (const auto& entry : p_data) {
        m_records.push_back(entry.second);
        m_records.back().m_domainIndex = 0;
    }
}

void HybridInterpolant::pushVertex(const HybridInterpolantData& p_data, const std::string& p_domain)
{
    const int index = getDomainIndex(p_domain);
    m_records.push_back(p_data);
    m_records.back().m_domainIndex = index;
}

void HybridInterpolant::pushVertex(const EdgeInterpolantData& p_edge)
{
    m_records.emplace_back(p_edge);
}

int HybridInterpolant::getMaxNodeNumber() const
{
    int maxNode = -1;
    for (const HybridInterpolantData& r : m_records)
        for (int node : r.m_nodes)
            maxNode = std::max(maxNode, node);
    return maxNode;
}

template <class Parent, class Target>
void HybridInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                                          Target& p_target) const
{
    using Kind = detail::ValueKind<Parent>;
    detail::checkParentCount(p_parents.size(), m_domains.size(), "HybridInterpolant",
                             "Interpolant must have exactly as many input Variables as parent domains.");
    const std::size_t n = m_records.size();
    detail::resizeTarget(p_target, n);
    auto&& target = detail::writerOf(p_target);
    // Each parent's array is looked up once, when a record first needs it.
    std::vector<std::optional<typename Kind::Reader>> arrays(p_parents.size());
    for (std::size_t i = 0; i < n; ++i) {
        target[i] = Kind::undefined();
        const HybridInterpolantData& r = m_records[i];
        const auto d = static_cast<std::size_t>(r.m_domainIndex);
        // A domain index past the parent list or a null parent leaves the item undefined
        // rather than reading outside the list.
        if (r.m_domainIndex < 0 || d >= p_parents.size() || p_parents[d] == nullptr)
            continue;
        // The parent's array is read for every record with a domain, even one without a
        // node, so a parent without data is reported whatever its records hold.
        if (!arrays[d])
            arrays[d].emplace(Kind::read(*p_parents[d], Variable::Description(p_type, eVertex, "All")));
        if (r.m_size == 0)
            continue;
        const typename Kind::Reader& parent = *arrays[d];
        typename Kind::Value sum{};
        bool undefined = false;
        for (std::size_t k = 0; k < r.m_size; ++k) {
            const auto node = static_cast<std::size_t>(r.m_nodes[k]);
            if (node >= parent.size() || detail::anyUndefined(parent[node])) {
                undefined = true;
                break;
            }
            sum += r.m_weights[k] * parent[node];
        }
        if (!undefined)
            target[i] = sum;
    }
}

int HybridInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= m_records.size())
        return -1;
    const HybridInterpolantData& r = getInternalData(static_cast<std::size_t>(p_item));
    p_data = r;
    if (r.m_domainIndex < 0 || static_cast<std::size_t>(r.m_domainIndex) >= m_domains.size())
        p_domain.clear();
    else
        p_domain = m_domains[static_cast<std::size_t>(r.m_domainIndex)];
    return 0;
}

void HybridInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING HybridInterpolant" << std::endl;
    for (const HybridInterpolantData& r : m_records) {
        if (r.m_nodes.empty()) {
            p_os << "  *** empty data set ***\n";
        } else {
            for (std::size_t k = 0; k < r.m_nodes.size(); ++k)
                p_os << (k ? ", " : "") << r.m_nodes[k];
            p_os << "\n";
            for (std::size_t k = 0; k < r.m_weights.size(); ++k)
                p_os << (k ? ", " : "") << r.m_weights[k];
            p_os << "\n";
        }
        p_os << std::endl;
    }
}

template class TypedInterpolant<HybridInterpolant, Interpolant::HybridRank>;

} // namespace zev
