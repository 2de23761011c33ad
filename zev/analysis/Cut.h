// What the slice, iso and select operations share: a surface cut from a mesh (or a selection of its
// elements), the mesh's variables carried onto it through its interpolants (vertex values through the edge
// records, element values onto the faces or elements they came from), and the report of its faces, area
// and integral. The tool and the Python module make their cuts here.
#pragma once

#include "zev/analysis/Figures.h"
#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
#include "zev/contracts/Triplet.h"
#include "zev/geometry/GeometryAutoPtr.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace zev {
class ScalarVariable;
class Variable;
} // namespace zev

namespace zev::analysis {

// An empty surface geometry of that name, ready to be cut into.
zev::GeometryAutoPtr newSurface(std::string const& p_name);

// Reads "A,B,C,..." as exactly p_count finite numbers; false when the text is not such a list.
bool parseNumbers(std::string const& p_text, std::size_t p_count, std::vector<double>& p_numbers);

// The unit normal of a plane given by a point and a normal of any finite length, found in double so that
// a normal beyond single precision (1e39 or 1e-46 long) keeps its direction, and the plane's offset n . p.
// False when the normal is zero.
bool unitPlane(std::vector<double> const& p_numbers, zev::Triplet& p_normal, double& p_offset);

// The faces of a cut as the tool reports and writes them. A cut through mesh vertices makes polygons of no
// area (their corners are cut points at the same vertex); they are left out. With p_plane, the boundary
// faces of p_domain lying in the plane n . x = d are added where the cut did not make them: a vertex on
// the plane counts as below it, so the cut yields a face in the plane only from the element above it, and a
// boundary face has an element on one side only. Every surface vertex keeps its edge record, and every
// kept or added face its element record (an added face comes from the element below the plane), so that
// vertex and element values still carry.
struct CutPlane {
    zev::Triplet normal;
    float d;
};
void tidyCut(zev::Geometry& p_surface, zev::Geometry& p_domain, CutPlane const* p_plane);

// The slice of p_domain by the plane n . x = d and the isosurface of p_field = p_value, both tidied. Their
// interpolants name the parent p_domainName; element records are kept when p_domain has element data.
GeometryPtr slicePlane(zev::Geometry& p_domain, std::string const& p_domainName, CutPlane const& p_plane);
GeometryPtr isoSurface(zev::Geometry& p_domain, std::string const& p_domainName,
                       zev::ScalarVariable const& p_field, zev::VarType p_type, float p_value);

// Marks the mesh's geometry as holding element data when it has element variables, so that cuts and
// selections made from it record the elements their faces and elements came from.
void markElementData(LoadedMesh& p_mesh);

// The parent variable p_parent (living at p_from) carried onto the derived geometry p_target through the
// interpolant that serves it: vertex values onto vertices, element values onto the faces of a cut or the
// elements of a selection. Face and element values are filed per set, in the sets' order, as the writers
// and the set-by-set readers want them. Null when p_target has no interpolant for that location.
std::unique_ptr<zev::Variable> carryVariable(zev::Geometry const& p_target, zev::Variable const& p_parent,
                                             zev::VarLocation p_from, std::string const& p_name);

// A copy of p_variable whose values at p_location (faces or elements), held as one array over the sets in
// the order of their names, are cut into one array per set of p_geometry, as the element and face records
// and the writers read them.
std::unique_ptr<zev::Variable> perSetValues(zev::Variable const& p_variable, zev::Geometry const& p_geometry,
                                            zev::VarLocation p_location);

// Gives p_variable, when it holds its values at p_location (faces or elements) as one array over the sets,
// an array per set as well (a variable made on request is held so).
void fileSetArrays(zev::Variable& p_variable, zev::Geometry const& p_geometry, zev::VarLocation p_location);

// Checks --var and --expr of a cut command: at most one, and not empty.
void checkCarriedQuantity(Request const& p_request, char const* p_command);

// Files the quantity of --var or --expr (when given) in the mesh's geometry and returns where it lives; a
// cut and a selection carry vertex and element values, not face values.
zev::VarLocation fileCarriedQuantity(LoadedMesh& p_mesh, Request const& p_request);

// A surface cut from a mesh (or a selection of its elements) and the report's description of the cut: its
// label and text, and its JSON entry.
struct MadeCut {
    GeometryPtr surface;
    std::pair<std::string, std::string> what;
    Json whatJson;
};
// The cuts of the slice, iso and select commands, made from their options on a loaded mesh.
MadeCut makeSlice(Request const& p_request, LoadedMesh& p_mesh);
MadeCut makeIso(Request const& p_request, LoadedMesh& p_mesh);
MadeCut makeSelection(Request const& p_request, LoadedMesh& p_mesh);

// The variables of the mesh for a selection (which keeps the mesh's vertices; element values go through its
// element records), with the quantity of --var or --expr filed on the selection and among them; the
// selection as a file mesh of the vertices it uses; its elements per set, volume, and the integral of the
// quantity.
std::vector<MeshVariable> selectionVariables(Request const& p_request, LoadedMesh& p_mesh,
                                             zev::Geometry& p_selection);
MeshData selectionMeshData(zev::Geometry const& p_selection, std::vector<MeshVariable> const& p_variables);
CutFigures selectionFigures(Request const& p_request, zev::Geometry& p_selection);

// Carries the mesh's vertex and element variables onto p_surface (returned, for writing) and files the
// quantity of --var or --expr there (returned as well).
std::vector<MeshVariable> carryOntoCut(Request const& p_request, LoadedMesh& p_mesh,
                                       zev::Geometry& p_surface);
// Adds the quantity of --var or --expr to the variables a cut or selection writes, unless a variable of
// that name is there already.
void listQuantity(std::vector<MeshVariable>& p_list, std::string const& p_name,
                  std::unique_ptr<zev::Variable> p_values, zev::VarLocation p_location);
// The surface as a file mesh with the carried variables.
MeshData cutMeshData(zev::Geometry const& p_surface, std::vector<MeshVariable> const& p_variables);
// The surface's vertices, faces per set, area, and the integral of the quantity carried onto it.
CutFigures cutFigures(Request const& p_request, zev::Geometry& p_surface);

// Carries the variables and the quantity onto p_surface, writes it with -o, and reports the cut.
// p_what is the report's description of the cut: its label and text, and its JSON entry.
int reportCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out);

} // namespace zev::analysis
