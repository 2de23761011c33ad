#pragma once
// A pentagon with corner vertices 0 to 4 in order around it.

#include "zev/shapes/FixedShape.h"

namespace zev {

class ZEV_EXPORT Pentagon : public FixedFace<5, PENTAGON> {
public:
    ~Pentagon() override;
};

static_assert(sizeof(Pentagon) == shapeFootprint(faceCacheFootprint + Pentagon::m_numVerts * sizeof(int)),
              "a Pentagon holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
