// zevgeom probe: the value of a variable or an expression at given points, with the element set and the
// element that hold each point.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FileAccess.h"
#include "zev/search/PointLocator.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string_view>

namespace zevgeom {

namespace {

class ProbeCommand : public Command {
public:
    ProbeCommand()
        : Command(
              "probe",
              std::string(
                  "usage: zevgeom probe [MESH] (--at X,Y,Z ... | --points FILE) (--var NAME | --expr EXPR)\n"
                  "                     [--region NAME] [--json]\n"
                  "\n"
                  "Finds the element that holds each point and reports the value there of a variable, or "
                  "of\n"
                  "an expression of variables and the coordinates x, y, z: vertex values interpolated with\n"
                  "the element's weights, element values as they are. A vector variable is probed by its\n"
                  "magnitude. A point that no element holds is reported as outside.\n"
                  "\n"
                  "options:\n"
                  "  --at X,Y,Z     a point; repeat the option for more points\n"
                  "  --points FILE  the points of a CSV file, x,y,z per line ('#' starts a comment)\n"
                  "  --var NAME     the variable to probe\n"
                  "  --expr EXPR    the expression to probe\n") +
                  s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_option("--at", p_options.values["--at"])
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        p_app.add_option("--points", p_options.values["--points"])->expected(1);
        declareQuantity(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        std::vector<std::string> const& at = p_options.values["--at"];
        std::vector<std::string> const& points = p_options.values["--points"];
        if (at.empty() == points.empty()) {
            throw UsageError("probe needs either --at X,Y,Z or --points FILE");
        }
        if (points.size() > 1 || (!points.empty() && points.front().empty())) {
            throw UsageError("--points needs one file name");
        }
        for (std::string const& text : at) {
            Point point;
            if (!parsePoint(text, point)) {
                throw UsageError("--at takes X,Y,Z, not '" + terminalSafe(text) + "'");
            }
        }
        if (p_options.hasVar == p_options.hasExpr) {
            throw UsageError("probe needs exactly one of --var NAME and --expr EXPR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
            throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        std::vector<Point> const points = probePoints(p_options);
        LoadedMesh mesh = load(p_options);
        std::string const& quantity = p_options.hasVar ? p_options.var : p_options.expr;
        zev::VarLocation const location = fileQuantity(mesh, quantity, p_options.hasExpr);
        if (location == zev::eFace) {
            throw UsageError("'" + quantity + "' lives on faces; probe a vertex or element quantity");
        }
        printProbes(p_options, mesh.source, locationName(location),
                    probeGeometry(mesh.geo(), points, quantity, location), p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeProbeCommand()
{
    return std::make_unique<ProbeCommand>();
}

} // namespace zevgeom
