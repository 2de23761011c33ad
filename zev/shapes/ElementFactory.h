#pragma once
// The process-wide maker of element sets (Tet, Wedge, Hex, Pyramid, Polyhedron) and the
// vertex count of each element type.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <map>

namespace zev {

class ZEV_EXPORT ElementFactory : public NonCopyable {
public:
    // Created on first use, lives until the process ends. The first call must not race another.
    static ElementFactory* instance();

    // A new set of p_n default elements of the type; the caller owns it.
    ShapeSet* getElementSetByType(ShapeType p_type, int p_n);
    // The type's vertex count (-1 for Polyhedron), or 0 for a type that is no element.
    int getNumVertex(ShapeType p_type);

private:
    ElementFactory();
    ~ElementFactory() = default;

    static ElementFactory* m_instance;
    std::map<ShapeType, int> m_numVertices;
};

} // namespace zev
