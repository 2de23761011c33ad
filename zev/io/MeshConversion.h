// The conversion between the tool's MeshData and the library's Geometry: points become the vertex array,
// volume cells element sets (one per shape type and region), surface cells face sets, lines the line array,
// and point and cell arrays vertex, element and face variables; and the way back, for writing results.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/FormatError.h"
#include "zev/io/MeshData.h"
#include "zev/variables/VarType.h"
#include "zev/variables/Variable.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zev {
class Geometry;
} // namespace zev

namespace zev::io {

// One variable made from a data array. Point arrays become Vertex variables; a cell array becomes an
// Element variable over the element sets and a Face variable over the face sets (both, when the mesh
// has volume and surface cells). Arrays of 1 component are scalars, of 3 vectors; any other count is
// split into one scalar per component named "NAME[k]".
struct ZEV_IO_EXPORT MeshVariable {
    std::string name;
    zev::VarLocation location = zev::eVertex;
    int numComponents = 1;
    std::unique_ptr<zev::Variable> variable;
};

// Deletes a geometry through the library's registry, which created it.
struct ZEV_IO_EXPORT GeometryDeleter {
    void operator()(zev::Geometry* p_geometry) const;
};
using GeometryPtr = std::unique_ptr<zev::Geometry, GeometryDeleter>;

// A geometry with the variables read for it. The variables are held here until the geometry files them.
struct ZEV_IO_EXPORT LoadedMesh {
    std::string source; // the file name, or a description of the built-in mesh
    GeometryPtr geometry;
    std::vector<MeshVariable> variables;
    // Whether copies of the variables have been filed in the geometry, where the library's
    // expressions and visitors look them up by name.
    bool variablesFiled = false;

    zev::Geometry& geo() const { return *geometry; }
    // The variable of that name at that location, or null.
    MeshVariable const* findVariable(std::string const& p_name, zev::VarLocation p_location) const;
    // The variable of that name at the first location holding one (Vertex, Element, Face), or null.
    MeshVariable const* findVariable(std::string const& p_name) const;
};

// Hands the library's registry the answer to "where does this quantity live": where the geometry holds
// a variable of that name (vertex, then element, then face). Geometries created afterwards use it;
// calling it again does nothing. toLibrary calls it.
ZEV_IO_EXPORT void installLocationProvider();

// The face set name of surface cells of one region and shape kind: "surface-QUAD" without a region
// array, "region3-QUAD" for region 3.
ZEV_IO_EXPORT std::string surfaceSetName(bool p_hasRegions, long long p_region, int p_shapeType);

// Builds the library's geometry. p_regionArray names an integer cell array whose values split the cells
// into regions ("" for the mesh's own regionArray, whose regionLabels then label the sets); an unknown or
// non-integer array is a SelectionError.
ZEV_IO_EXPORT LoadedMesh toLibrary(MeshData const& p_mesh, std::string const& p_source,
                                   std::string const& p_regionArray);

// What fromLibrary writes.
struct ZEV_IO_EXPORT ExportSelection {
    bool elements = true;
    bool lines = true;
    bool allFaceSets = true;
    std::vector<std::string> faceSets; // used when allFaceSets is false
    // Keep only the vertices the written cells use (the point data follows them).
    bool compactVertices = false;
};

// The geometry as a file mesh: element sets as volume cells in the file's vertex order, face sets as
// triangles, quads and polygons, line segments as lines; vertex variables as point arrays and element and
// face variables as cell arrays, one per name: an element and a face variable of one name share an array,
// which a reader splits back into the two. POLYDATA when there are no volume cells.
// Every array is written as floats, the type the library holds values in, whatever type the file read
// had (an integer array read from a file comes back as a float array, exact up to 2^24), so a cell
// without a value always holds the undefined value, 3.4028235e38. An element and a face variable of one
// name of which one is a vector and the other a scalar fit no array: a SelectionError.
ZEV_IO_EXPORT MeshData fromLibrary(zev::Geometry const& p_geometry,
                                   std::vector<MeshVariable> const& p_variables,
                                   ExportSelection const& p_selection);

} // namespace zev::io
