#pragma once
// The recipe of one target vertex of an external interpolant: the index of its parent
// domain (-1 for none) and the parent vertices of that domain with their weights.

#include "zev/interpolants/ExternalInterpolantData.h"

#include <vector>

namespace zev {

struct ExternalInterpolantNodedef {
    // Index into the interpolant's domain list; -1 when the vertex has no parent domain.
    int domain = -1;
    // The number of entries of data in use; at most data.size().
    int count = 0;
    std::vector<ExternalInterpolantData> data;
};

} // namespace zev
