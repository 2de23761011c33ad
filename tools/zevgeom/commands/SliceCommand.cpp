// zevgeom slice: the cut of a mesh by a plane, its faces and area, a variable carried onto it and
// integrated over it, and the slice written with every variable it carries.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Cut.h"
#include "zev/analysis/Measures.h"
#include "zev/cutting/GeometryIntersector.h"
#include "zev/geometry/Geometry.h"

#include <CLI/CLI.hpp>

#include <cmath>

namespace zevgeom {

namespace {

class SliceCommand : public Command {
public:
    SliceCommand()
        : Command("slice",
                  std::string(
                      "usage: zevgeom slice [MESH] --plane PX,PY,PZ,NX,NY,NZ [--var NAME | --expr EXPR]\n"
                      "                     [--flux VECTOR] [-o OUT] [--region NAME] [--json]\n"
                      "\n"
                      "Cuts the mesh by the plane through the point P with the normal N and reports the\n"
                      "slice's vertices, faces per type and area; with a variable or an expression of\n"
                      "variables and x, y, z, its integral and average over the slice (a vector by its\n"
                      "magnitude); with --flux, the flux of a vector variable through the slice along N.\n"
                      "Vertex values are carried onto the slice along the cut edges, cell values onto the\n"
                      "faces cut from each cell.\n"
                      "\n"
                      "options:\n"
                      "  --plane P,N    the plane: a point on it and its normal, six numbers\n"
                      "  --var NAME     the vertex or cell variable to integrate over the slice\n"
                      "  --expr EXPR    the expression to integrate over the slice\n"
                      "  --flux VECTOR  the vector variable whose flux through the slice to find\n"
                      "  -o, --output   write the slice with every point and cell variable and the\n"
                      "                 integrated quantity (.vtk, .vtu, .vtp, .pvtu, .pvtp or .cgns)\n"
                      "  --binary       binary data (legacy BINARY, XML appended raw data)\n"
                      "  --compress     zlib-compressed blocks (XML formats only)\n") +
                      s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_option("--plane", p_options.values["--plane"])->expected(1);
        declareQuantity(p_app, p_options);
        p_app.add_option("--flux", p_options.values["--flux"]);
        declareOutput(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        std::vector<std::string> const& plane = p_options.values["--plane"];
        if (plane.empty()) {
            throw UsageError("slice needs --plane PX,PY,PZ,NX,NY,NZ");
        }
        std::vector<double> numbers;
        if (plane.size() > 1 || !parseNumbers(plane.front(), 6, numbers)) {
            throw UsageError("--plane takes PX,PY,PZ,NX,NY,NZ, not '" + terminalSafe(plane.back()) + "'");
        }
        zev::Triplet normal;
        double offset = 0;
        if (!unitPlane(numbers, normal, offset)) {
            throw UsageError("--plane needs a normal that is not zero");
        }
        checkCarriedQuantity(p_options, "slice");
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        return runCut(p_options, p_out, p_err, makeSlice);
    }
};

} // namespace

std::unique_ptr<Command> makeSliceCommand()
{
    return std::make_unique<SliceCommand>();
}

} // namespace zevgeom
