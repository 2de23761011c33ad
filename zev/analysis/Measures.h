// The tool's questions to the library: measures of the elements and faces, the boundary surface, and
// integrals of variables and expressions. Every call the tool makes into the library's measure, boundary,
// expression and integration operations goes through this one file.
#pragma once

#include "zev/analysis/UsageError.h"
#include "zev/io/MeshConversion.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace zev {
class Geometry;
}

namespace zev::analysis {

// The tool works in the mesh-file library's terms.
using namespace zev::io;

// The volume of every element (over the element sets in name order, concatenated as the library
// concatenates element data) and each vertex's share of it.
struct VolumeMeasures {
    std::vector<double> elementVolumes;
    std::vector<double> vertexVolumes;
    double total = 0;
    std::size_t inverted = 0; // elements with a negative volume
    // The sets all of whose elements are inverted, as "NAME" or "NAME (LABEL)", with their sizes: a file
    // that numbers a cell type's corners the other way round inverts whole sets.
    std::vector<std::pair<std::string, std::size_t>> invertedSets;
};
VolumeMeasures volumeMeasures(zev::Geometry const& p_geometry);

// The volume of every cell as every command reports it: the sum of the cell's dual regions (exact for a
// trilinear cell, where six tetrahedra are not once its faces are warped), signed, so that an inverted
// cell of any type counts negative; and each vertex's share, summed over its cells. Elements run over the
// sets in name order. The library's own element volumes (by tetrahedra) and vertex volumes (a
// tetrahedron's unsigned) stay as they are defined; the tool weighs with these instead.
struct CellVolumes {
    std::vector<double> elements;
    std::vector<double> vertices;
};
// With p_sets, only the cells of those element sets count: the others keep their place with no volume.
CellVolumes cellVolumes(zev::Geometry const& p_geometry, std::vector<std::string> const* p_sets = nullptr);

// The area of every face of the named face sets (in the order given) and each vertex's share of it.
struct AreaMeasures {
    std::vector<double> faceAreas;
    std::vector<double> vertexAreas;
    double total = 0;
};
AreaMeasures areaMeasures(zev::Geometry const& p_geometry, std::vector<std::string> const& p_faceSets);

// The boundary surface: the element faces no other element shares, filed as the face sets "ELEMTRIS",
// "ELEMQUADS" and "ELEMPOLYGONS" (existing sets of those names are kept). Returns the names of the
// boundary face sets; a mesh without elements has its own face sets as its boundary.
std::vector<std::string> buildBoundary(zev::Geometry& p_geometry);

enum class Domain { Volume, Boundary };

struct Integral {
    std::string quantity; // the variable's name or the expression
    std::string over;     // what it was integrated over, as the user named it
    std::string location; // "vertex", "element" or "face"
    Domain domain = Domain::Volume;
    double integral = 0;
    double measure = 0; // the volume or area over which values were defined
    double average = 0;
    bool valid = false; // false when no item had a defined value
};

// Integrates a variable (p_isExpression false) or an expression of variables and the coordinates x, y, z
// over the volume or the boundary. A vector variable is integrated by its magnitude. Unknown names, and
// a location that does not fit the domain, are UsageErrors.
Integral integrate(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression, Domain p_domain);

// The sets a name stands for: the face sets or element sets of that name, else those whose label (the
// file's own name, which several sets of one patch may share) it is. A name standing for no set, or for
// both face and element sets, is a UsageError that lists the sets there are.
struct NamedSets {
    bool faces = false;
    std::vector<std::string> names;
};
NamedSets namedSets(zev::Geometry const& p_geometry, std::string const& p_name);

// integrate over p_over: "volume", "boundary", or a face or element set by name or label (the area or
// the volume of its sets).
Integral integrateOver(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression,
                       std::string const& p_over);

// What a message about an unknown name offers: " (KIND: a, b, ...)" with at most ten of p_names, or
// " (the mesh has no KIND)".
std::string offeredNames(std::vector<std::string> const& p_names, std::string const& p_kind);

// The names an expression reads: its identifiers that are not functions, and the names in braces.
std::vector<std::string> expressionNames(std::string const& p_expression);

// Files what p_geometry can make of names it does not hold at p_location: NAME_x, NAME_y, NAME_z and
// "NAME X", "NAME Y", "NAME Z" as the components of the vector variable NAME; "Normal" as the unit normal
// of its faces (at the vertices, the normal of their faces' summed area vectors), and "Normal X",
// "Normal Y", "Normal Z" as its components. Other names are left alone.
void fileNamedParts(zev::Geometry& p_geometry, std::vector<std::string> const& p_names,
                    zev::VarLocation p_location);
// Whether an expression (or a variable name) reads the normal of the surface it is evaluated on.
bool readsNormal(std::string const& p_quantity, bool p_isExpression);

// Evaluates p_quantity at the vertices of p_surface, a surface over the vertices of the geometry whose
// vertex variables p_source hands out by name (null when it has none): the variables it reads are
// copied in, so that "Normal" is the surface's own. Files it under its text; malformed or unknown is a
// UsageError.
void evaluateOnSurface(zev::Geometry& p_surface, std::string const& p_quantity, bool p_isExpression,
                       std::function<zev::Variable const*(std::string const&)> const& p_source);

// Coordinates are held in single precision: far from the origin its steps grow against the mesh (at 1e7
// they are 1 long), and volumes, integrals and cuts of a small mesh there come out wrong. Warns, with the
// figures, when the step at the largest coordinate exceeds a hundred-thousandth of the mesh's extent.
void warnFarCoordinates(zev::Geometry const& p_geometry, std::ostream& p_err);

// The integral of the quantity filed in p_geometry under p_quantity (at the vertices or the elements) over
// the cell volumes above, undefined values left out; p_out's quantity, location and domain are kept. With
// p_sets, over the cells of those element sets only.
Integral volumeIntegral(zev::Geometry& p_geometry, std::string const& p_quantity, Integral p_out = {},
                        std::vector<std::string> const* p_sets = nullptr);

// Files the mesh's variables in its geometry and, for an expression, evaluates it there, so that the
// geometry holds the quantity under its name (the expression's text). Returns where it lives. Unknown
// names and malformed expressions are UsageErrors.
zev::VarLocation fileQuantity(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression);
// The same for a question about a surface: where a quantity lives both on the elements and on the faces
// (a cell array of a file with volume and surface cells), the faces'.
zev::VarLocation fileSurfaceQuantity(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression);

// Smallest and largest defined value (vectors by magnitude) and the number of defined values.
struct ValueRange {
    double min = 0;
    double max = 0;
    std::size_t count = 0;
    std::size_t size = 0;
};
ValueRange valueRange(MeshVariable const& p_variable);

// The values of a variable (p_isExpression false) or an expression at the vertices, one per vertex of the
// geometry; a vector variable by its magnitude, the undefined value where there is none. Unknown names and
// quantities that do not live at the vertices are UsageErrors.
std::vector<float> vertexValues(LoadedMesh& p_mesh, std::string const& p_quantity, bool p_isExpression);

// x, y and z name the coordinates in expressions: a variable of such a name would replace a coordinate
// when asked for alone and not inside an expression. The name a variable p_name is filed under: p_name
// itself, or for a coordinate's name "x_array" (then "x_array2", ...), the first that p_taken refuses.
std::string coordinateFreeName(std::string const& p_name,
                               std::function<bool(std::string const&)> const& p_taken);
// The note that tells the user where such a variable went.
std::string coordinateNote(std::string const& p_name, std::string const& p_filed);

} // namespace zev::analysis
