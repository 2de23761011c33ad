#pragma once
// A hexagon with corner vertices 0 to 5 in order around it.

#include "zev/shapes/FixedShape.h"

namespace zev {

class ZEV_EXPORT Hexagon : public FixedFace<6, HEXAGON> {
public:
    ~Hexagon() override;
};

static_assert(sizeof(Hexagon) == shapeFootprint(faceCacheFootprint + Hexagon::m_numVerts * sizeof(int)),
              "a Hexagon holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
