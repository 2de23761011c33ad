#pragma once
// The recipe of one target vertex of a general interpolant as its creator fills it: up to
// eight parent vertices with their weights, enough for the vertices of any standard element.

#include "zev/interpolants/GeneralInterpolantData.h"

namespace zev {

struct GeneralInterpolantNodedef {
    static constexpr int s_maxNodes = 8;

    // The number of entries of data in use, 0 to s_maxNodes.
    int count = 0;
    GeneralInterpolantData data[s_maxNodes];
};

} // namespace zev
