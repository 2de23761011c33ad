// The slice operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/cutting/GeometryIntersector.h"
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
    cut.surface.reset(newSurface("slice").release());
    zev::GeometryIntersector::intersectWithGeometry(*cut.surface, "domain", &p_mesh.geo(), normal,
                                                    static_cast<float>(d));
    CutPlane const plane{normal, static_cast<float>(d)};
    tidyCut(*cut.surface, p_mesh.geo(), &plane);
    std::string const text = "point (" + number(p[0]) + ", " + number(p[1]) + ", " + number(p[2]) +
                             "), normal (" + number(p[3]) + ", " + number(p[4]) + ", " + number(p[5]) + ")";
    cut.what = {"plane", text};
    cut.whatJson["point"] = {p[0], p[1], p[2]};
    cut.whatJson["normal"] = {p[3], p[4], p[5]};
    return cut;
}

} // namespace zev::analysis
