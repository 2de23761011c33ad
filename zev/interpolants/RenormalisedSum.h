#pragma once
// Internal: the weighted sum and the flat node lists shared by the general and external
// interpolants (per target vertex a count, the nodes of all vertices one after another, and
// the start offsets built on the first item lookup). Parent values
// that are undefined drop out of the sum, and the remaining weights are renormalised to one
// unless strict undefined handling is requested, in which case any undefined contribution
// with weight makes the target undefined.

#include "zev/interpolants/CellValueAccess.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace zev {
namespace detail {

// Whether ZEV_INTERP_STRICT_UNDEF is present (its value is not read). Read once per
// interpolation call, so that a host can switch it between calls.
inline bool strictUndefined()
{
    return std::getenv("ZEV_INTERP_STRICT_UNDEF") != nullptr;
}

// The factor that turns the sum over the defined nodes into the target value, or false when
// the target is undefined: no defined node, all the weight on undefined nodes, or strict
// handling with some weight on undefined nodes.
inline bool renormalisation(bool p_used, float p_undefinedWeight, bool p_strict, float& p_factor)
{
    if (!p_used || std::fabs(1.0f - p_undefinedWeight) < FLT_EPSILON)
        return false;
    p_factor = 1.0f;
    if (p_undefinedWeight != 0.0f) {
        if (p_strict)
            return false;
        p_factor = 1.0f / (1.0f - p_undefinedWeight);
    }
    return true;
}

// The value of one target vertex from p_count nodes (records with node and weight members),
// read through Kind (a ValueKind). A parent value counts as undefined when it is the undefined
// value (a triplet: when its first component is); a node outside the parent array counts as
// undefined rather than being read.
template <class Kind, class Node>
typename Kind::Value renormalisedSum(const Node* p_nodes, int p_count, const typename Kind::Reader& p_parent,
                                     bool p_strict)
{
    typename Kind::Value sum{};
    float undefinedWeight = 0.0f;
    bool used = false;
    for (int k = 0; k < p_count; ++k) {
        const auto node = static_cast<std::size_t>(p_nodes[k].node);
        const float w = p_nodes[k].weight;
        if (node >= p_parent.size() || firstUndefined(p_parent[node])) {
            undefinedWeight += w;
            continue;
        }
        sum += w * p_parent[node];
        used = true;
    }
    float factor = 1.0f;
    if (!renormalisation(used, undefinedWeight, p_strict, factor))
        return Kind::undefined();
    return sum * factor;
}

// The largest parent vertex a node list refers to; -1 when empty.
template <class Node> int maxNodeOf(const std::vector<Node>& p_nodes)
{
    int maxNode = -1;
    for (const Node& d : p_nodes)
        maxNode = std::max(maxNode, d.node);
    return maxNode;
}

// The node range [p_begin, p_end) of target vertex p_item, from p_offsets (where each
// target vertex's nodes start, and the total); false for an item outside the list.
inline bool nodeRange(int p_item, const std::vector<int>& p_counts, const std::vector<std::size_t>& p_offsets,
                      std::size_t& p_begin, std::size_t& p_end)
{
    if (p_item < 0 || static_cast<std::size_t>(p_item) >= p_counts.size())
        return false;
    p_begin = p_offsets[static_cast<std::size_t>(p_item)];
    p_end = p_offsets[static_cast<std::size_t>(p_item) + 1];
    return true;
}

// Writes p_count nodes as "node:weight," each.
template <class Node> void writeNodes(std::ostream& p_os, const Node* p_nodes, int p_count)
{
    for (int k = 0; k < p_count; ++k)
        p_os << p_nodes[k].node << ":" << p_nodes[k].weight << ",";
}

} // namespace detail
} // namespace zev
