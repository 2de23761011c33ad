#include "zev/interpolants/EdgeInterpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>

namespace zev {

EdgeInterpolant::EdgeInterpolant(const std::string& p_domain)
{
    m_domains.push_back(p_domain);
    m_qualityRank = EdgeRank;
}

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

void EdgeInterpolant::interpolate(const std::vector<const ScalarVariable*>& p_parents, VarType p_type,
                                  FloatZEVVector& p_target) const
{
    if (p_parents.size() != 1)
        throw internal::error(
            "EdgeInterpolant", "interpolate",
            SystemMsg("EdgeInterpolant must have exactly one parent domain to interpolate."));
    const std::size_t n = m_edges.size();
    const FloatZEVVector& parentArray =
        p_parents[0]->getFloatValues(Variable::Description(p_type, eVertex, "All"));
    const auto* parentConcrete = dynamic_cast<const FloatZEVVectorConcrete*>(&parentArray);
    auto* targetConcrete = dynamic_cast<FloatZEVVectorConcrete*>(&p_target);
    if (parentConcrete != nullptr && targetConcrete != nullptr &&
        parentConcrete->size() <= static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        // Every entry is written below, so the array is not filled first.
        targetConcrete->resizeForOverwrite(n);
        interpolateContiguous(m_edges.data(), n, parentConcrete->data(), parentConcrete->size(),
                              targetConcrete->data());
        return;
    }
    p_target.resize(n);
    const detail::FloatReader parent(parentArray);
    const std::size_t parentSize = parent.size();
    detail::FloatWriter target(p_target);
    for (std::size_t i = 0; i < n; ++i) {
        const EdgeInterpolantData& e = m_edges[i];
        // A record naming a vertex outside the parent gives the undefined value rather than
        // reading past the parent's array.
        if (static_cast<std::size_t>(e.m_vertex1) >= parentSize ||
            static_cast<std::size_t>(e.m_vertex2) >= parentSize) {
            target[i] = ZEV_UNDEF;
            continue;
        }
        const float a = parent[static_cast<std::size_t>(e.m_vertex1)];
        const float b = parent[static_cast<std::size_t>(e.m_vertex2)];
        target[i] = (a == ZEV_UNDEF || b == ZEV_UNDEF) ? ZEV_UNDEF : e.m_weight * a + (1.0f - e.m_weight) * b;
    }
}

void EdgeInterpolant::interpolate(const std::vector<const VectorVariable*>& p_parents, VarType p_type,
                                  TripletZEVVector& p_target) const
{
    if (p_parents.size() != 1)
        throw internal::error(
            "EdgeInterpolant", "interpolate",
            SystemMsg("EdgeInterpolant must have exactly one parent domain to interpolate."));
    const std::size_t n = m_edges.size();
    p_target.clear();
    p_target.resize(n);
    const TripletZEVVector& parent =
        p_parents[0]->getTripletValues(Variable::Description(p_type, eVertex, "All"));
    const std::size_t parentSize = parent.size();
    const Triplet undefined(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    for (std::size_t i = 0; i < n; ++i) {
        const EdgeInterpolantData& e = m_edges[i];
        if (static_cast<std::size_t>(e.m_vertex1) >= parentSize ||
            static_cast<std::size_t>(e.m_vertex2) >= parentSize) {
            p_target[i] = undefined;
            continue;
        }
        const Triplet& a = parent[static_cast<std::size_t>(e.m_vertex1)];
        const Triplet& b = parent[static_cast<std::size_t>(e.m_vertex2)];
        if (a[0] == ZEV_UNDEF || b[0] == ZEV_UNDEF) {
            p_target[i] = undefined;
            continue;
        }
        const float w = e.m_weight;
        const float v = 1.0f - w;
        p_target[i] = Triplet(w * a[0] + v * b[0], w * a[1] + v * b[1], w * a[2] + v * b[2]);
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
    for (int c = 0; c < 3; ++c)
        if (FloatUtilities::isUndef(p_a[c]) || FloatUtilities::isUndef(p_b[c]))
            return Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
    const float v = 1.0f - p_w;
    return Triplet(v * p_b[0] + p_w * p_a[0], v * p_b[1] + p_w * p_a[1], v * p_b[2] + p_w * p_a[2]);
}

// Sparse-map interpolation for both value kinds: an end missing from the map leaves the other
// end's value; both missing is an error.
template <class Value, class Target>
void fromMap(const std::vector<EdgeInterpolantData>& p_edges, std::map<std::size_t, Value>& p_values,
             Target& p_target)
{
    p_target.resize(p_edges.size());
    for (std::size_t i = 0; i < p_edges.size(); ++i) {
        const EdgeInterpolantData& e = p_edges[i];
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

} // namespace

void EdgeInterpolant::interpolateFromMap(std::map<std::size_t, float>& p_values,
                                         FloatZEVVector& p_target) const
{
    fromMap(m_edges, p_values, p_target);
}

void EdgeInterpolant::interpolateFromMap(std::map<std::size_t, TripletBase<float>>& p_values,
                                         TripletZEVVector& p_target) const
{
    fromMap(m_edges, p_values, p_target);
}

int EdgeInterpolant::getInternalData(int p_item, HybridInterpolantData& p_data, std::string& p_domain) const
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= m_edges.size())
        return -1;
    p_data = HybridInterpolantData(m_edges[static_cast<std::size_t>(p_item)]);
    p_domain = m_domains.empty() ? std::string() : m_domains.front();
    return 0;
}

Interpolant* EdgeInterpolant::clone() const
{
    auto* copy = new EdgeInterpolant();
    copy->m_domains = m_domains;
    copy->m_edges = m_edges;
    return copy;
}

void EdgeInterpolant::write(std::ostream& p_os) const
{
    p_os << "PRINTING EdgeInterpolant" << std::endl;
    for (const EdgeInterpolantData& e : m_edges)
        p_os << e.m_vertex1 << "," << e.m_vertex2 << "," << e.m_weight << std::endl;
}

} // namespace zev
