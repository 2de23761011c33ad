#pragma once
// A parent vertex and its weight: one contribution to a target vertex. The records of the
// general and external interpolants are of this form.

namespace zev {

struct NodeWeight {
    NodeWeight() = default;
    NodeWeight(int p_node, float p_weight) : node(p_node), weight(p_weight) {}

    int node = 0;
    float weight = 0.0f;
};

} // namespace zev
