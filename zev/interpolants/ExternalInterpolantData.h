#pragma once
// One contribution of an externally supplied interpolation recipe: a parent vertex and its
// weight.

#include "zev/interpolants/NodeWeight.h"

namespace zev {

struct ExternalInterpolantData : NodeWeight {
    using NodeWeight::NodeWeight;
};

} // namespace zev
