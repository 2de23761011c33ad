#include "zev/interpolants/ElementToElementInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/TypedInterpolantImpl.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace zev {

ElementToElementInterpolant::ElementToElementInterpolant(const std::string& p_domain, int)
    : TypedInterpolant(p_domain, ElementToElementRank)
{
}

ElementToElementInterpolant::~ElementToElementInterpolant() = default;

std::size_t ElementToElementInterpolant::size() const
{
    std::size_t total = 0;
    for (const auto& list : m_elementLists)
        total += list.second.size();
    return total;
}

void ElementToElementInterpolant::reserve(int p_setIndex, std::size_t p_count)
{
    m_elementLists[p_setIndex].reserve(p_count);
}

namespace {

using ElementLists = std::map<int, std::vector<std::size_t>>;

template <class Parent, class Target>
void interpolateElements(const ElementLists& p_lists, const std::vector<const Parent*>& p_parents,
                         VarType p_type, Target& p_target)
{
    using Kind = detail::ValueKind<Parent>;
    detail::checkParentCount(
        p_parents.size(), 1, "ElementToElementInterpolant",
        "ElementToElementInterpolant must have exactly one parent domain to interpolate.");
    // A geometry numbers its elements by walking its sets in name order, and names set i
    // "ES" i + 1, so ES10 comes before ES2: the lists are visited in that order, not by index.
    std::vector<std::pair<std::string, const std::vector<std::size_t>*>> sets;
    std::size_t total = 0;
    for (const auto& list : p_lists) {
        if (list.second.empty())
            continue;
        sets.emplace_back(detail::elementSetName(list.first), &list.second);
        total += list.second.size();
    }
    std::sort(sets.begin(), sets.end());

    detail::resizeTarget(p_target, total);
    auto&& out = detail::writerOf(p_target);
    const auto undefined = Kind::undefined();
    std::size_t next = 0;
    for (const auto& set : sets) {
        const typename Kind::Reader source =
            Kind::read(*p_parents[0], Variable::Description(p_type, eElement, set.first));
        const std::size_t count = source.size();
        for (std::size_t element : *set.second)
            out[next++] = element < count ? source[element] : undefined;
    }
}

} // namespace

template <class Parent, class Target>
void ElementToElementInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents,
                                                    VarType p_type, Target& p_target) const
{
    interpolateElements(m_elementLists, p_parents, p_type, p_target);
}

void ElementToElementInterpolant::write(std::ostream& p_os) const
{
    p_os << "Printing ElementToElementInterpolant" << std::endl;
    for (const auto& list : m_elementLists) {
        p_os << "Element Set Number: " << list.first << std::endl;
        for (std::size_t element : list.second)
            p_os << "\tElement Number: " << element << std::endl;
        p_os << std::endl;
    }
    p_os << std::endl;
}

template class TypedInterpolant<ElementToElementInterpolant>;

} // namespace zev
