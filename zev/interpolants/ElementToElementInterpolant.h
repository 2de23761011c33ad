#pragma once
// The interpolant of a region cut out of a domain (a sub-volume, a selection of whole
// elements): every target element takes the value of one element of the single parent domain.

#include "zev/interpolants/Interpolant.h"

#include <cstddef>
#include <map>
#include <vector>

namespace zev {

class ZEV_EXPORT ElementToElementInterpolant : public Interpolant {
public:
    // One domain; the int is accepted for interface compatibility and not used.
    ElementToElementInterpolant(const std::string& p_domain, int p_unused);
    ~ElementToElementInterpolant() override;

    // The total number of listed elements.
    std::size_t size() const override;
    // Room is reserved per set, with reserve(int, size_t).
    void reserve(std::size_t) override {}
    using Interpolant::interpolate;
    // Target elements follow the numbering of a geometry whose element sets carry the parent's
    // set names: sets in ascending name order (ES10 before ES2), elements in pushed order. A
    // listed element outside the parent's array gives the undefined value.
    void interpolate(const std::vector<const VectorVariable*>& p_parents, VarType p_type,
                     TripletZEVVector& p_target) const override;
    void interpolate(const std::vector<const ScalarVariable*>& p_parents, VarType p_type,
                     FloatZEVVector& p_target) const override;
    // A copy of the domains and records; its quality rank is 0.
    Interpolant* clone() const override;
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
    ElementToElementInterpolant() = default;

    // Parent element set index -> parent element indices, in target order within the set.
    std::map<int, std::vector<std::size_t>> m_elementLists;
};

} // namespace zev
