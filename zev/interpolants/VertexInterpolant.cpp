#include "zev/interpolants/VertexInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <ostream>

namespace zev {

VertexInterpolant::VertexInterpolant(const std::string& p_domain) : TypedInterpolant(p_domain, VertexRank) {}

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

namespace {

// Target vertex i becomes parent vertex p_vertices[i]; a record naming a vertex outside the
// parent gives the undefined value rather than reading past the parent's array.
template <class Reader, class Target, class Value>
void copyVertices(const IntZEVVector& p_vertices, const Reader& p_parent, const Value& p_undefined,
                  Target& p_target)
{
    const std::size_t n = p_vertices.size();
    p_target.resize(n);
    auto&& target = detail::writerOf(p_target);
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(p_vertices[i]);
        target[i] = v < p_parent.size() ? p_parent[v] : p_undefined;
    }
}

} // namespace

void VertexInterpolant::interpolate(const TripletZEVVector& p_source, TripletZEVVector& p_target) const
{
    copyVertices(m_parentVertices, detail::TripletReader(p_source),
                 detail::ValueKind<VectorVariable>::undefined(), p_target);
}

template <class Parent, class Target>
void VertexInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                                          Target& p_target) const
{
    const auto parent =
        detail::soleParentVertices(p_parents, p_type, "VertexInterpolant",
                                   "VertexInterpolant must have exactly one parent domain to interpolate.");
    copyVertices(m_parentVertices, parent, detail::ValueKind<Parent>::undefined(), p_target);
}

// Every parent vertex named must be in the map.
template <class Value, class Target>
void VertexInterpolant::interpolateValuesFromMap(std::map<std::size_t, Value>& p_values,
                                                 Target& p_target) const
{
    p_target.resize(m_parentVertices.size());
    for (std::size_t i = 0; i < m_parentVertices.size(); ++i) {
        const auto it = p_values.find(static_cast<std::size_t>(m_parentVertices[i]));
        if (it == p_values.end())
            throw data::error(
                "VertexInterpolant", "interpolateFromMap",
                UserMsg("Map value does not exist for domain vertex %1.").arg(m_parentVertices[i]));
        p_target[i] = it->second;
    }
}

int VertexInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const
{
    return recipeOf(m_parentVertices, p_item, p_data, p_domain);
}

void VertexInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING VertexInterpolant" << std::endl;
    for (int v : m_parentVertices)
        p_os << v << std::endl;
}

template class TypedInterpolant<VertexInterpolant>;

} // namespace zev
