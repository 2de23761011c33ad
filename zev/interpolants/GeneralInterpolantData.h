#pragma once
// One contribution to a general interpolant's target vertex: a parent vertex and its weight.

namespace zev {

struct GeneralInterpolantData {
    GeneralInterpolantData() = default;
    GeneralInterpolantData(int p_node, float p_weight) : node(p_node), weight(p_weight) {}

    int node = 0;
    float weight = 0.0f;
};

} // namespace zev
