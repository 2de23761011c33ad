#pragma once
// The interpolant of a geometry whose every vertex is a copy of one vertex of the single
// parent domain (a boundary taken from a domain, for example).

#include "zev/contracts/IntZEVVector.h"
#include "zev/interpolants/TypedInterpolant.h"

namespace zev {

class ZEV_EXPORT VertexInterpolant : public TypedInterpolant<VertexInterpolant> {
public:
    explicit VertexInterpolant(const std::string& p_domain);
    ~VertexInterpolant() override;

    std::size_t size() const override { return m_parentVertices.size(); }
    void reserve(std::size_t p_count) override { m_parentVertices.reserve(p_count); }
    int getMaxNodeNumber() const override;
    // Target vertex i becomes source vertex m_parentVertices[i].
    void interpolate(const TripletZEVVector& p_source, TripletZEVVector& p_target) const override;
    using TypedInterpolant::interpolate;
    int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const override;
    void clear() override { m_parentVertices.clear(); }
    void write(std::ostream& p_os) const override;
    std::string getName() const override { return "Vertex Interpolant"; }

    void setDomain(const std::string& p_domain);
    void pushVertex(int p_parentVertex) { m_parentVertices.push_back(p_parentVertex); }
    void swapInternalData(IntZEVVector& p_data) { m_parentVertices.swap(p_data); }
    int getInternalData(int p_item) const { return m_parentVertices[static_cast<std::size_t>(p_item)]; }

private:
    friend TypedInterpolant;
    // The typed and sparse-map interpolations of both value kinds (see TypedInterpolant).
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    template <class Value, class Target>
    void interpolateValuesFromMap(std::map<std::size_t, Value>& p_values, Target& p_target) const;

    IntZEVVector m_parentVertices;
};

} // namespace zev
