#pragma once
// One contribution of an externally supplied interpolation recipe: a parent vertex and its
// weight.

namespace zev {

struct ExternalInterpolantData {
    ExternalInterpolantData() = default;
    ExternalInterpolantData(int p_node, float p_weight) : node(p_node), weight(p_weight) {}

    int node = 0;
    float weight = 0.0f;
};

} // namespace zev
