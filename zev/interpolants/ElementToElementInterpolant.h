#pragma once
// The interpolant of a region cut out of a domain (a sub-volume, a selection of whole
// elements): every target element takes the value of one element of the single parent domain.

#include "zev/interpolants/TypedInterpolant.h"

#include <cstddef>
#include <map>
#include <vector>

namespace zev {

class ZEV_EXPORT ElementToElementInterpolant : public TypedInterpolant<ElementToElementInterpolant> {
public:
    // One domain; the int is accepted for interface compatibility and not used.
    ElementToElementInterpolant(const std::string& p_domain, int p_unused);
    ~ElementToElementInterpolant() override;

    // The total number of listed elements.
    std::size_t size() const override;
    // Room is reserved per set, with reserve(int, size_t).
    void reserve(std::size_t) override {}
    void write(std::ostream& p_os) const override;
    VarLocation getDestinationVarLocation() const override { return eElement; }
    std::string getName() const override { return "Element To Element Interpolant"; }

    // Reserves room for p_count elements of parent element set p_setIndex.
    virtual void reserve(int p_setIndex, std::size_t p_count);
    // Appends parent element p_element of set p_setIndex to that set's list.
    void pushElement(int p_setIndex, std::size_t p_element)
    {
        m_elementLists[p_setIndex].push_back(p_element);
    }

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant). Target elements
    // follow the numbering of a geometry whose element sets carry the parent's set names: sets
    // in ascending name order (ES10 before ES2), elements in pushed order. A listed element
    // outside the parent's array gives the undefined value.
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;

    // Parent element set index -> parent element indices, in target order within the set.
    std::map<int, std::vector<std::size_t>> m_elementLists;
};

} // namespace zev
