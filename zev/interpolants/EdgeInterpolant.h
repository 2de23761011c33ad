#pragma once
// The interpolant of a plane cut or an isosurface: every target vertex lies on an edge of
// the single parent domain, between two parent vertices.

#include "zev/interpolants/EdgeInterpolantData.h"
#include "zev/interpolants/TypedInterpolant.h"

#include <map>
#include <vector>

namespace zev {

class ZEV_EXPORT EdgeInterpolant : public TypedInterpolant<EdgeInterpolant> {
public:
    explicit EdgeInterpolant(const std::string& p_domain);
    ~EdgeInterpolant() override;

    std::size_t size() const override { return m_edges.size(); }
    void reserve(std::size_t p_count) override { m_edges.reserve(p_count); }
    int getMaxNodeNumber() const override;
    bool canCalculateFlows() const override { return true; }
    int getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const override;
    void clear() override { m_edges.clear(); }
    void write(std::ostream& p_os) const override;
    std::string getName() const override { return "Edge Interpolant"; }

    void setDomain(const std::string& p_domain);
    void pushVertex(int p_vertex1, int p_vertex2, float p_weight)
    {
        m_edges.emplace_back(p_vertex1, p_vertex2, p_weight);
    }
    // Appends the records in ascending key order; the keys are not kept.
    void addData(const std::map<std::size_t, EdgeInterpolantData>& p_data);
    void swapInternalData(std::vector<EdgeInterpolantData>& p_data) { m_edges.swap(p_data); }
    const EdgeInterpolantData& getInternalData(std::size_t p_item) const { return m_edges[p_item]; }

private:
    friend TypedInterpolant;
    // The typed and sparse-map interpolations of both value kinds (see TypedInterpolant).
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    template <class Value, class Target>
    void interpolateValuesFromMap(std::map<std::size_t, Value>& p_values, Target& p_target) const;

    std::vector<EdgeInterpolantData> m_edges;
};

} // namespace zev
