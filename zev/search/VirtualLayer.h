#pragma once
// The virtual boundary layer of a geometry: one prism (or, on quadrilaterals, one hexahedron)
// standing on each boundary face, reaching a given thickness out along the vertex normals, so
// that a point lying just off the boundary is still found inside some element. The layer has
// its own vertex array and element sets with set numbers counted down from 0x7FFFFFFE.

#include "zev/ZEVExport.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/geometry/Geometry.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zev {

class ShapeSet;

class ZEV_EXPORT VirtualLayer {
public:
    // The set number of the layer's sets built on the faces of type Triangles; the
    // quadrilateral and polygon sets take the next two numbers down.
    static constexpr int kFirstSetIndex = 0x7FFFFFFE;

    // Builds the layer of p_geometry on its boundary face sets p_names (one name per
    // FaceType) with thickness p_tolerance per cent of the vertex extents' diagonal, or, when
    // negative, -p_tolerance per cent of the mean face diagonal. The layer lives in the
    // geometry's own members, passed in; p_remove empties them. A tolerance of 0 or an
    // existing layer of the same tolerance changes nothing. Returns whether there is a layer
    // afterwards. Throws when p_names does not hold three names.
    static bool create(Geometry& p_geometry, const std::map<Geometry::FaceType, std::string>& p_names,
                       float p_tolerance, std::map<std::string, ShapeSet*>& p_sets,
                       TripletZEVVector& p_vertices, std::vector<int>& p_setIndices, float& p_builtTolerance,
                       const std::function<void()>& p_remove);
};

} // namespace zev
