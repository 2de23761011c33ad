#pragma once
// The record that ties a derived geometry to its parent domains: per target item, which
// parent items it comes from and with which weights. Given the same variable on each parent
// domain, an interpolant produces the variable laid out like the derived geometry.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/variables/VarType.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace zev {

class FloatZEVVector;
class HybridInterpolantData;
class ScalarVariable;
class TripletZEVVector;
class Variable;
class VectorVariable;

class ZEV_EXPORT Interpolant {
public:
    // How faithfully an interpolant reproduces parent data; a geometry keeps its
    // interpolants in ascending rank.
    enum InterpolantQualityRank {
        NoRank = 0,
        VertexRank = 1,
        FaceToFaceRank = 2,
        ElementToElementRank = 3,
        ElementToFaceRank = 3,
        EdgeRank = 4,
        GeneralRank = 5,
        HybridRank = 6,
        ExternalRank = 7
    };

    Interpolant() = default;
    Interpolant(const Interpolant&) = default;
    Interpolant& operator=(const Interpolant&) = default;

    virtual ~Interpolant();
    // The number of target items.
    virtual std::size_t size() const = 0;
    virtual void reserve(std::size_t p_count) = 0;
    virtual const std::vector<std::string>& getDomains() const { return m_domains; }
    // The largest parent item index referenced.
    virtual int getMaxNodeNumber() const { return 0; }
    // Carries one triplet array indexed like the parent's vertices to the target; the base
    // does nothing.
    virtual void interpolate(const TripletZEVVector& p_source, TripletZEVVector& p_target) const;
    // A new variable (owned by the caller) carried over from p_parents, one per domain in
    // the order of getDomains(). Every vertex data type of the first parent is carried.
    virtual Variable* interpolate(const std::vector<Variable*>& p_parents) const;
    // The same values written into p_result, a variable of the parents' kind that the caller
    // keeps between calls (a new time step carried onto the same target): its arrays are
    // refilled in place rather than allocated anew.
    void interpolate(const std::vector<Variable*>& p_parents, Variable& p_result) const;
    virtual void interpolate(const std::vector<const VectorVariable*>& p_parents, VarType p_type,
                             TripletZEVVector& p_target) const = 0;
    virtual void interpolate(const std::vector<const ScalarVariable*>& p_parents, VarType p_type,
                             FloatZEVVector& p_target) const = 0;
    // Interpolation from values known only at some parent vertices; the base does nothing.
    virtual void interpolateFromMap(std::map<std::size_t, TripletBase<float>>& p_values,
                                    TripletZEVVector& p_target) const;
    virtual void interpolateFromMap(std::map<std::size_t, float>& p_values, FloatZEVVector& p_target) const;
    virtual bool canCalculateFlows() const { return false; }
    // The recipe of one target item as nodes and weights, with its parent domain's name.
    // Returns 0 on success; the base returns -1 and changes nothing.
    virtual int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const;
    // Empties the records, keeping the domains.
    virtual void clear() {}
    virtual Interpolant* clone() const = 0;
    virtual void write(std::ostream& p_os) const = 0;
    virtual VarLocation getDestinationVarLocation() const { return eVertex; }
    virtual std::string getName() const = 0;

    int getQualityRank() const { return static_cast<int>(m_qualityRank); }
    void setQualityRank(InterpolantQualityRank p_rank) { m_qualityRank = p_rank; }

protected:
    std::vector<std::string> m_domains;
    InterpolantQualityRank m_qualityRank = NoRank;
};

} // namespace zev
