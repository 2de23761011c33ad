// What the slice and iso commands share: a surface cut from a mesh, the mesh's point variables carried
// onto it through its edge interpolant, and the report of its faces, area and integral.
#pragma once

#include "zev/analysis/Figures.h"
#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
#include "zev/contracts/Triplet.h"
#include "zev/geometry/GeometryAutoPtr.h"

#include <iosfwd>
#include <string>

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
// boundary face has an element on one side only. Every surface vertex keeps its edge record; the surface
// then carries vertex values only.
struct CutPlane {
    zev::Triplet normal;
    float d;
};
void tidyCut(zev::Geometry& p_surface, zev::Geometry& p_domain, CutPlane const* p_plane);

// Checks --var and --expr of a cut command: at most one, and not empty.
void checkCarriedQuantity(Request const& p_request, char const* p_command);

// Files the quantity of --var or --expr (when given) in the mesh's geometry; it must live at the vertices.
void fileCarriedQuantity(LoadedMesh& p_mesh, Request const& p_request);

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

// The point variables of the mesh for a selection (which keeps the mesh's vertices), with the quantity of
// --var or --expr filed on the selection; the selection as a file mesh of the vertices it uses; its
// elements per set, volume, and the integral of the quantity.
std::vector<MeshVariable> selectionVariables(Request const& p_request, LoadedMesh& p_mesh,
                                             zev::Geometry& p_selection);
MeshData selectionMeshData(zev::Geometry const& p_selection,
                           std::vector<MeshVariable> const& p_pointVariables);
CutFigures selectionFigures(Request const& p_request, zev::Geometry& p_selection);

// Carries the point variables onto p_surface (returned, for writing) and files the quantity of --var or
// --expr there.
std::vector<MeshVariable> carryOntoCut(Request const& p_request, LoadedMesh& p_mesh,
                                       zev::Geometry& p_surface);
// The surface as a file mesh with the carried point variables.
MeshData cutMeshData(zev::Geometry const& p_surface, std::vector<MeshVariable> const& p_pointVariables);
// The surface's vertices, faces per set, area, and the integral of the quantity carried onto it.
CutFigures cutFigures(Request const& p_request, zev::Geometry& p_surface);

// Carries the point variables and the quantity onto p_surface, writes it with -o, and reports the cut.
// p_what is the report's description of the cut: its label and text, and its JSON entry.
int reportCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out);

} // namespace zev::analysis
