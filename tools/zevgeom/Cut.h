// What the slice and iso commands share: a surface cut from a mesh, the mesh's point variables carried
// onto it through its edge interpolant, and the report of its faces, area and integral.
#pragma once

#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Report.h"
#include "zev/geometry/GeometryAutoPtr.h"

#include <iosfwd>
#include <string>

namespace zevgeom {

// An empty surface geometry of that name, ready to be cut into.
zev::GeometryAutoPtr newSurface(std::string const& p_name);

// Reads "A,B,C,..." as exactly p_count finite numbers; false when the text is not such a list.
bool parseNumbers(std::string const& p_text, std::size_t p_count, std::vector<double>& p_numbers);

// Checks --var and --expr of a cut command: at most one, and not empty.
void checkCarriedQuantity(Options const& p_options, char const* p_command);

// Files the quantity of --var or --expr (when given) in the mesh's geometry; it must live at the vertices.
void fileCarriedQuantity(LoadedMesh& p_mesh, Options const& p_options);

// Carries the point variables and the quantity onto p_surface, writes it with -o, and reports the cut.
// p_what is the report's description of the cut: its label and text, and its JSON entry.
int reportCut(Options const& p_options, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out);

} // namespace zevgeom
