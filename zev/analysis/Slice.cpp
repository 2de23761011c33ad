// The slice operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/geometry/Geometry.h"
#include <cmath>

namespace zev::analysis {

MadeCut makeSlice(Request const& p_request, LoadedMesh& p_mesh)
{
    std::vector<double> p;
    parseNumbers(p_request.values.at("--plane").front(), 6, p);
    fileCarriedQuantity(p_mesh, p_request);
    zev::Triplet normal;
    double d = 0;
    unitPlane(p, normal, d);
    MadeCut cut;
    cut.surface = slicePlane(p_mesh.geo(), "domain", CutPlane{normal, static_cast<float>(d)});
    std::string const text = "point (" + number(p[0]) + ", " + number(p[1]) + ", " + number(p[2]) +
                             "), normal (" + number(p[3]) + ", " + number(p[4]) + ", " + number(p[5]) + ")";
    cut.what = {"plane", text};
    cut.whatJson["point"] = {p[0], p[1], p[2]};
    cut.whatJson["normal"] = {p[3], p[4], p[5]};
    return cut;
}

} // namespace zev::analysis
