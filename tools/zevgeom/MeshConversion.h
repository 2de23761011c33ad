// The conversion between the tool's MeshData and the library's Geometry: points become the vertex array,
// volume cells element sets (one per shape type and region), surface cells face sets, lines the line array,
// and point and cell arrays vertex, element and face variables; and the way back, for writing results.
#pragma once

#include "tools/zevgeom/MeshData.h"
#include "zev/variables/VarType.h"
#include "zev/variables/Variable.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zev {
class Geometry;
} // namespace zev

namespace zevgeom {

// A mistake on the command line found while converting (an unknown region array, say): exit code 1.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One variable made from a data array. Point arrays become Vertex variables; a cell array becomes an
// Element variable over the element sets and a Face variable over the face sets (both, when the mesh
// has volume and surface cells). Arrays of 1 component are scalars, of 3 vectors; any other count is
// split into one scalar per component named "NAME[k]".
struct MeshVariable {
    std::string name;
    zev::VarLocation location = zev::eVertex;
    int numComponents = 1;
    std::unique_ptr<zev::Variable> variable;
};

// Deletes a geometry through the library's registry, which created it.
struct GeometryDeleter {
    void operator()(zev::Geometry* p_geometry) const;
};
using GeometryPtr = std::unique_ptr<zev::Geometry, GeometryDeleter>;

// A geometry with the variables read for it. The variables are held here until the geometry files them.
struct LoadedMesh {
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

// The face set name of surface cells of one region and shape kind: "surface-QUAD" without a region
// array, "region3-QUAD" for region 3.
std::string surfaceSetName(bool p_hasRegions, long long p_region, int p_shapeType);

// Builds the library's geometry. p_regionArray names an integer cell array whose values split the cells
// into regions ("" for none); an unknown or non-integer array is a UsageError.
LoadedMesh toLibrary(MeshData const& p_mesh, std::string const& p_source, std::string const& p_regionArray);

// What fromLibrary writes.
struct ExportSelection {
    bool elements = true;
    bool lines = true;
    bool allFaceSets = true;
    std::vector<std::string> faceSets; // used when allFaceSets is false
    // Keep only the vertices the written cells use (the point data follows them).
    bool compactVertices = false;
};

// The geometry as a file mesh: element sets as volume cells in the file's vertex order, face sets as
// triangles, quads and polygons, line segments as lines; vertex variables as point arrays and element and
// face variables as cell arrays (cells without a value get the undefined value). POLYDATA when there are
// no volume cells.
MeshData fromLibrary(zev::Geometry const& p_geometry, std::vector<MeshVariable> const& p_variables,
                     ExportSelection const& p_selection);

} // namespace zevgeom
