// The flux of a vector quantity through a surface: the integral of V . n over the faces, with n turned
// the way the question asks (out of the volume on a boundary, along a plane's normal, towards increasing
// values on an isosurface) whatever way the faces happen to be wound.
#pragma once

#include "zev/analysis/Measures.h"
#include "zev/analysis/Request.h"
#include "zev/contracts/Triplet.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace zev {
class Geometry;
class Variable;
} // namespace zev

namespace zev::analysis {

struct Flux {
    std::string vector;   // the vector variable's name
    std::string location; // "vertex" or "face"
    std::string over;     // what it went through, as the user named it
    double flux = 0;
    double area = 0;    // the area of the faces where the vector is defined
    bool valid = false; // false when no face had a defined value
};

// +1 or -1 for a face of corners p_ids (global vertex numbers) whose wound area vector is p_area: the
// sign that turns it the asked way.
using FaceOrientation = std::function<double(int const* p_ids, int p_count, zev::Triplet const& p_area)>;

// The flux of p_vector (vertex data weighted by each corner's sector area vector, face data by the face's
// area vector, both times the set's correction factor) through the face sets p_faceSets of p_surface.
Flux fluxThrough(zev::Geometry const& p_surface, zev::Variable const& p_vector, zev::VarLocation p_location,
                 std::vector<std::string> const& p_faceSets, FaceOrientation const& p_orientation);

// Turns every face away from the element it bounds; a face of no element or of two keeps its winding.
FaceOrientation outwardOf(zev::Geometry const& p_volume);
// Turns every face along p_normal.
FaceOrientation along(zev::Triplet const& p_normal);
// Turns every face of a surface cut through p_domain towards increasing p_field, a scalar at the domain's
// vertices, read across the edges the surface's vertices lie on (its edge interpolant).
FaceOrientation towardsIncreasing(zev::Geometry const& p_surface, zev::Geometry const& p_domain,
                                  zev::Variable const& p_field);

// The flux of the vector variable p_vector of a loaded mesh through p_over: "boundary" (the boundary
// surface, or a surface mesh's own faces) or a face set by name or label, turned outwards. Unknown names,
// scalars and element data are UsageErrors.
Flux meshFlux(LoadedMesh& p_mesh, std::string const& p_vector, std::string const& p_over);

// The flux of --flux VECTOR through a cut of p_mesh (slice: along the plane's normal; iso: towards
// increasing field), from the vertex variables carried onto it.
Flux cutFlux(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry const& p_surface,
             std::vector<MeshVariable> const& p_carried);

// The fluxes of integrate --flux, one per --over: one alone as a table of its figures or one JSON
// document, several as a table of rows or a JSON array of those documents.
void printFluxes(Request const& p_request, std::string const& p_source, std::vector<Flux> const& p_results,
                 std::ostream& p_out);

} // namespace zev::analysis
