#include "zev/interpolants/EdgeInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/CellValueAccess.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/TypedInterpolantImpl.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <type_traits>

namespace zev {

EdgeInterpolant::EdgeInterpolant(const std::string& p_domain) : TypedInterpolant(p_domain, EdgeRank) {}

EdgeInterpolant::~EdgeInterpolant() = default;

void EdgeInterpolant::setDomain(const std::string& p_domain)
{
    m_domains.assign(1, p_domain);
}

void EdgeInterpolant::addData(const std::map<std::size_t, EdgeInterpolantData>& p_data)
{
    m_edges.reserve(m_edges.size() + p_data.size());
    for (const auto& entry : p_data)
        m_edges.push_back(entry.second);
}

namespace {

std::uint32_t floatBits(float p_value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &p_value, sizeof bits);
    return bits;
}

// The record loop over contiguous arrays, the common case, written for throughput without
// changing any result: indices are compared as 32-bit unsigned values (a negative index
// becomes 2^31 or more, past any parent this loop is used for, so it still counts as outside), the
// range test screens both ends with one comparison of their bitwise or before the exact test,
// and the undefined test compares bit patterns (only the undefined value itself has its
// pattern, so this is the exact equality of the float comparison). A record naming a vertex
// outside the parent gives the undefined value. Requires p_parentSize <= INT_MAX.
void interpolateContiguous(const EdgeInterpolantData* p_records, std::size_t p_count, const float* p_parent,
                           std::size_t p_parentSize, float* p_target)
{
    const std::uint32_t size = static_cast<std::uint32_t>(p_parentSize);
    const std::uint32_t undefined = floatBits(ZEV_UNDEF);
    for (std::size_t i = 0; i < p_count; ++i) {
        const EdgeInterpolantData& e = p_records[i];
        const std::uint32_t v1 = static_cast<std::uint32_t>(e.m_vertex1);
        const std::uint32_t v2 = static_cast<std::uint32_t>(e.m_vertex2);
        if ((v1 | v2) >= size && (v1 >= size || v2 >= size)) {
            p_target[i] = ZEV_UNDEF;
            continue;
        }
        const float a = p_parent[v1];
        const float b = p_parent[v2];
        const float w = e.m_weight;
        const float sum = w * a + (1.0f - w) * b;
        p_target[i] =
            (static_cast<int>(floatBits(a) == undefined) | static_cast<int>(floatBits(b) == undefined)) != 0
                ? ZEV_UNDEF
                : sum;
    }
}

} // namespace

int EdgeInterpolant::getMaxNodeNumber() const
{
    int maxNode = -1;
    for (const EdgeInterpolantData& e : m_edges)
        maxNode = std::max({maxNode, e.m_vertex1, e.m_vertex2});
    return maxNode;
}

template <class Parent, class Target>
void EdgeInterpolant::interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                                        Target& p_target) const
{
    using Kind = detail::ValueKind<Parent>;
    const typename Kind::Reader parent =
        detail::soleParentVertices(p_parents, p_type, "EdgeInterpolant",
                                   "EdgeInterpolant must have exactly one parent domain to interpolate.");
    const std::size_t n = m_edges.size();
    if constexpr (std::is_same_v<Parent, ScalarVariable>) {
        auto* targetConcrete = dynamic_cast<FloatZEVVectorConcrete*>(&p_target);
        if (parent.data() != nullptr && targetConcrete != nullptr &&
            parent.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            // Every entry is written below, so the array is not filled first.
            targetConcrete->resizeForOverwrite(n);
            interpolateContiguous(m_edges.data(), n, parent.data(), parent.size(), targetConcrete->data());
            return;
        }
    }
    detail::resizeTarget(p_target, n);
    auto&& target = detail::writerOf(p_target);
    const std::size_t parentSize = parent.size();
    const typename Kind::Value undefined = Kind::undefined();
    for (std::size_t i = 0; i < n; ++i) {
        const EdgeInterpolantData& e = m_edges[i];
        // A record naming a vertex outside the parent gives the undefined value rather than
        // reading past the parent's array.
        if (static_cast<std::size_t>(e.m_vertex1) >= parentSize ||
            static_cast<std::size_t>(e.m_vertex2) >= parentSize) {
            target[i] = undefined;
            continue;
        }
        const typename Kind::Value& a = parent[static_cast<std::size_t>(e.m_vertex1)];
        const typename Kind::Value& b = parent[static_cast<std::size_t>(e.m_vertex2)];
        const float w = e.m_weight;
        target[i] =
            detail::firstUndefined(a) || detail::firstUndefined(b) ? undefined : w * a + (1.0f - w) * b;
    }
}

namespace {

// The value of both ends combined: (1 - w) * b + w * a, undefined when either end is.
float combine(float p_a, float p_b, float p_w)
{
    return (p_a != ZEV_UNDEF && p_b != ZEV_UNDEF) ? (1.0f - p_w) * p_b + p_w * p_a : ZEV_UNDEF;
}

Triplet combine(const Triplet& p_a, const Triplet& p_b, float p_w)
{
    if (detail::anyUndefined(p_a) || detail::anyUndefined(p_b))
        return Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    const float v = 1.0f - p_w;
    return Triplet(v * p_b[0] + p_w * p_a[0], v * p_b[1] + p_w * p_a[1], v * p_b[2] + p_w * p_a[2]);
}

} // namespace

// An end missing from the map leaves the other end's value; both missing is an error.
template <class Value, class Target>
void EdgeInterpolant::interpolateValuesFromMap(std::map<std::size_t, Value>& p_values, Target& p_target) const
{
    p_target.resize(m_edges.size());
    for (std::size_t i = 0; i < m_edges.size(); ++i) {
        const EdgeInterpolantData& e = m_edges[i];
        const auto ia = p_values.find(static_cast<std::size_t>(e.m_vertex1));
        const auto ib = p_values.find(static_cast<std::size_t>(e.m_vertex2));
        const bool hasA = ia != p_values.end();
        const bool hasB = ib != p_values.end();
        if (!hasA && !hasB)
            throw data::error("EdgeInterpolate", "interpolateFromMap",
                              UserMsg("Map value does not exist for domain vertices %1 and %2.")
                                  .arg(e.m_vertex1)
                                  .arg(e.m_vertex2));
        if (!hasB)
            p_target[i] = ia->second;
        else if (!hasA)
            p_target[i] = ib->second;
        else
            p_target[i] = combine(ia->second, ib->second, e.m_weight);
    }
}

int EdgeInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const
{
    return recipeOf(m_edges, p_item, p_data, p_domain);
}

void EdgeInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING EdgeInterpolant" << std::endl;
    for (const EdgeInterpolantData& e : m_edges)
        p_os << e.m_vertex1 << "," << e.m_vertex2 << "," << e.m_weight << std::endl;
}

template class TypedInterpolant<EdgeInterpolant>;

} // namespace zev
