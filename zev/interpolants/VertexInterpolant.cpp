#include "zev/interpolants/VertexInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <ostream>

namespace zev {

namespace {

void checkOneParent(std::size_t p_parents)
{
    if (p_parents != 1)
        throw internal::error(
            "VertexInterpolant", "interpolate",
            SystemMsg("VertexInterpolant must have exactly one parent domain to interpolate."));
}

} // namespace

VertexInterpolant::VertexInterpolant(const std::string& p_domain)
{
    m_domains.push_back(p_domain);
    m_qualityRank = VertexRank;
}

VertexInterpolant::~VertexInterpolant() = default;

void VertexInterpolant::setDomain(const std::string& p_domain)
{
    m_domains.assign(1, p_domain);
}

int VertexInterpolant::getMaxNodeNumber() const
{
    int maxNode = -1;
    for (int v : m_parentVertices)
        maxNode = std::max(maxNode, v);
    return maxNode;
}

void VertexInterpolant::interpolate(const TripletZEVVector& p_source, TripletZEVVector& p_target) const
{
    const std::size_t n = m_parentVertices.size();
    p_target.resize(n);
    const Triplet undefined(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    // A record naming a vertex outside the source gives the undefined value rather than
    // reading past the source's array.
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(m_parentVertices[i]);
        p_target[i] = v < p_source.size() ? p_source[v] : undefined;
    }
}

void VertexInterpolant::interpolate(const std::vector<const ScalarVariable*>& p_parents, VarType p_type,
                                    FloatZEVVector& p_target) const
{
    checkOneParent(p_parents.size());
    const std::size_t n = m_parentVertices.size();
    p_target.resize(n);
    const detail::FloatReader parent(
        p_parents[0]->getFloatValues(Variable::Description(p_type, eVertex, "All")));
    detail::FloatWriter target(p_target);
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(m_parentVertices[i]);
        target[i] = v < parent.size() ? parent[v] : ZEV_UNDEF;
    }
}

void VertexInterpolant::interpolate(const std::vector<const VectorVariable*>& p_parents, VarType p_type,
                                    TripletZEVVector& p_target) const
{
    checkOneParent(p_parents.size());
    interpolate(p_parents[0]->getTripletValues(Variable::Description(p_type, eVertex, "All")), p_target);
}

namespace {

// Sparse-map interpolation for both value kinds: every parent vertex named must be in the map.
template <class Value, class Target>
void fromMap(const IntZEVVector& p_parents, std::map<std::size_t, Value>& p_values, Target& p_target)
{
    p_target.resize(p_parents.size());
    for (std::size_t i = 0; i < p_parents.size(); ++i) {
        const auto it = p_values.find(static_cast<std::size_t>(p_parents[i]));
        if (it == p_values.end())
            throw data::error("VertexInterpolant", "interpolateFromMap",
                              UserMsg("Map value does not exist for domain vertex %1.").arg(p_parents[i]));
        p_target[i] = it->second;
    }
}

} // namespace

void VertexInterpolant::interpolateFromMap(std::map<std::size_t, float>& p_values,
                                           FloatZEVVector& p_target) const
{
    fromMap(m_parentVertices, p_values, p_target);
}

void VertexInterpolant::interpolateFromMap(std::map<std::size_t, TripletBase<float>>& p_values,
                                           TripletZEVVector& p_target) const
{
    fromMap(m_parentVertices, p_values, p_target);
}

int VertexInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= m_parentVertices.size())
        return -1;
    p_data = HybridInterpolantData(m_parentVertices[static_cast<std::size_t>(p_item)]);
    p_domain = m_domains.empty() ? std::string() : m_domains.front();
    return 0;
}

Interpolant* VertexInterpolant::clone() const
{
    auto* copy = new VertexInterpolant();
    copy->m_domains = m_domains;
    copy->m_parentVertices = m_parentVertices;
    return copy;
}

void VertexInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING VertexInterpolant" << std::endl;
    for (int v : m_parentVertices)
        p_os << v << std::endl;
}

} // namespace zev
