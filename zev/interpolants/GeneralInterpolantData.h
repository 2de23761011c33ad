#pragma once
// One contribution to a general interpolant's target vertex: a parent vertex and its weight.

#include "zev/interpolants/NodeWeight.h"

namespace zev {

struct GeneralInterpolantData : NodeWeight {
    using NodeWeight::NodeWeight;
};

} // namespace zev
