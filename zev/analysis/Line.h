// The line operation: where a straight line crosses the boundary surface of a mesh, in order along the
// line, with a vertex variable's value at each crossing, and the chords of the line inside the cells;
// and its report as a table or JSON.
#pragma once

#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
#include "zev/contracts/Triplet.h"
#include "zev/search/LineQueries.h"

#include <array>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace zev::analysis {

// The line of a request: two distinct points (--from, --to) as given and in single precision.
struct LineOptions {
    std::array<double, 3> from{}, to{};
    zev::Triplet fromPoint, toPoint;
};
// The request's line, checked: a UsageError names what is wrong.
LineOptions lineOptions(Request const& p_request);

struct LineResult {
    std::string source;
    LineOptions line;
    zev::Triplet direction; // the unit direction from --from towards --to
    std::string quantity;   // the variable or expression shown at the crossings, empty for none
    bool isExpression = false;
    // The searches start where a far --from's line enters the mesh's box, this far from --from; 0 when
    // they start at --from itself.
    double shift = 0;
    // The crossings in order along the line, their parameters from --from and the quantity there.
    std::vector<zev::LineFaceHit> hits;
    std::vector<double> hitT;
    std::vector<float> hitValues;
    // The chords inside the cells (parameters from --from) and their lengths; a surface mesh has none.
    std::vector<std::pair<double, double>> chords;
    std::vector<double> lengths;
    double length = 0; // the sum of the chords
};

// Intersects the line with the boundary surface of p_mesh (a surface mesh: its faces). With p_quantity
// non-empty, the vertex variable (or, with p_isExpression, the expression) is evaluated at each crossing,
// linear over the face's fan triangle holding it. Unknown names and quantities that do not live at the
// vertices are UsageErrors.
LineResult line(LoadedMesh& p_mesh, LineOptions const& p_line, std::string const& p_quantity = "",
                bool p_isExpression = false);
// The same with the line, the variable (--var) or the expression (--expr) of a request.
LineResult line(LoadedMesh& p_mesh, Request const& p_request);

// The report: a table of the figures, the crossings and the chords, or with --json a JSON document.
void printLine(Request const& p_request, LineResult const& p_result, std::ostream& p_out);

} // namespace zev::analysis
