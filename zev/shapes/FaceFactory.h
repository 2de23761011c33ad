#pragma once
// The process-wide maker of face sets (Tri, Quad, Pentagon, Hexagon, Polygon) and the
// vertex count of each face type.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <map>

namespace zev {

class ZEV_EXPORT FaceFactory : public NonCopyable {
public:
    // Created on first use, lives until the process ends. The first call must not race another.
    static FaceFactory* instance();

    // A new set of p_n default faces of the type; the caller owns it.
    ShapeSet* getFaceSetByType(ShapeType p_type, int p_n);
    // The type's vertex count (-1 for Polygon), or 0 for a type that is no face.
    int getNumVertex(ShapeType p_type);

private:
    FaceFactory();
    ~FaceFactory() = default;

    static FaceFactory* m_instance;
    std::map<ShapeType, int> m_numVertices;
};

} // namespace zev
