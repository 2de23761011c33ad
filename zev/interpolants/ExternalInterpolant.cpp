#include "zev/interpolants/ExternalInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/RenormalisedSum.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace zev {

namespace {

const char* const kClass = "ExternalInterpolant";

// The parent of a target vertex, or null when its domain number names no parent: negative,
// past the parent list (treated as -1 rather than read), or a null entry.
template <class Parent> const Parent* parentOf(int p_domain, const std::vector<const Parent*>& p_parents)
{
    if (p_domain < 0 || static_cast<std::size_t>(p_domain) >= p_parents.size())
        return nullptr;
    return p_parents[static_cast<std::size_t>(p_domain)];
}

} // namespace

ExternalInterpolant::ExternalInterpolant()
{
    m_qualityRank = ExternalRank;
}

ExternalInterpolant::~ExternalInterpolant() = default;

void ExternalInterpolant::reserve(std::size_t p_count)
{
    m_counts.reserve(p_count);
    m_offsets.reserve(p_count + 1);
    m_domainNumbers.reserve(p_count);
    m_data.reserve(4 * p_count);
}

int ExternalInterpolant::getMaxNodeNumber() const
{
    return detail::maxNodeOf(m_data);
}

void ExternalInterpolant::pushVertex(const ExternalInterpolantNodedef& p_def)
{
    // A count beyond the entries supplied would read past them; a negative one would
    // misplace every later vertex's nodes.
    if (p_def.count < 0 || static_cast<std::size_t>(p_def.count) > p_def.data.size())
        throw internal::badParam(
            kClass, "pushVertex",
            SystemMsg("Node count %1 out of range 0..%2").arg(p_def.count).arg(p_def.data.size()));
    m_data.insert(m_data.end(), p_def.data.begin(), p_def.data.begin() + p_def.count);
    m_counts.push_back(p_def.count);
    m_domainNumbers.push_back(p_def.domain);
    m_offsets.push_back(m_data.size());
}

int ExternalInterpolant::getDomainNumber(int p_item) const
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= m_domainNumbers.size())
        return -1;
    return m_domainNumbers[static_cast<std::size_t>(p_item)];
}

void ExternalInterpolant::clear()
{
    m_counts.clear();
    m_data.clear();
    m_domainNumbers.clear();
    m_offsets.assign(1, 0);
}

template <class Parent, class Target>
void ExternalInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                                            Target& p_target) const
{
    using Kind = detail::ValueKind<Parent>;
    detail::checkParentCount(p_parents.size(), m_domains.size(), kClass,
                             "Interpolant must have exactly as many input Variables as parent domains.");
    const bool strict = detail::strictUndefined();
    const std::size_t n = m_counts.size();
    p_target.resize(n);
    auto&& target = detail::writerOf(p_target);
    // Each parent's array is looked up once, when a vertex of its domain first needs it.
    std::vector<std::optional<typename Kind::Reader>> arrays(p_parents.size());
    const Variable::Description description(p_type, eVertex, "All");
    const ExternalInterpolantData* nodes = m_data.data();
    for (std::size_t i = 0; i < n; ++i) {
        const int count = m_counts[i];
        const int domain = m_domainNumbers[i];
        if (const Parent* parent = parentOf(domain, p_parents)) {
            auto& array = arrays[static_cast<std::size_t>(domain)];
            if (!array)
                array.emplace(Kind::read(*parent, description));
            target[i] = detail::renormalisedSum<Kind>(nodes, count, *array, strict);
        } else {
            target[i] = Kind::undefined();
        }
        nodes += count;
    }
}

int ExternalInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data,
                                         std::string& p_domain) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!detail::nodeRange(p_item, m_counts, m_offsets, begin, end))
        return -1;
    p_data = HybridInterpolantData(
        std::vector<ExternalInterpolantData>(m_data.begin() + static_cast<std::ptrdiff_t>(begin),
                                             m_data.begin() + static_cast<std::ptrdiff_t>(end)));
    p_domain.clear();
    const int domain = m_domainNumbers[static_cast<std::size_t>(p_item)];
    if (domain >= 0 && static_cast<std::size_t>(domain) < m_domains.size())
        p_domain = m_domains[static_cast<std::size_t>(domain)];
    return 0;
}

void ExternalInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING ExternalInterpolant" << std::endl;
    const ExternalInterpolantData* nodes = m_data.data();
    for (std::size_t i = 0; i < m_counts.size(); ++i) {
        const int domain = m_domainNumbers[i];
        // Only a vertex with a domain has a name to write.
        if (domain >= 0 && static_cast<std::size_t>(domain) < m_domains.size())
            p_os << m_domains[static_cast<std::size_t>(domain)];
        p_os << ":" << m_counts[i] << "|";
        detail::writeNodes(p_os, nodes, m_counts[i]);
        p_os << std::endl;
        nodes += m_counts[i];
    }
}

template class TypedInterpolant<ExternalInterpolant, Interpolant::ExternalRank>;

} // namespace zev
