#pragma once
// The spatial index over one element set: a tree of boxes whose leaves list the elements
// they overlap. A geometry builds one per element set on demand and owns it.

#include "zev/ZEVExport.h"

namespace zev {

class ZEV_EXPORT Octree {
public:
    Octree() = default;
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;
    virtual ~Octree();
};

} // namespace zev
