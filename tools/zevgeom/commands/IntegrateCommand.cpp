// zevgeom integrate: the integral, measure and average of a variable or an expression over the volume or
// the boundary.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <limits>
#include <ostream>

namespace zevgeom {

namespace {

class IntegrateCommand : public Command {
public:
    char const* name() const override { return "integrate"; }

    std::string help() const override
    {
        return std::string(
                   "usage: zevgeom integrate [MESH] (--var NAME | --expr EXPR) [--over volume|boundary]\n"
                   "                         [--region NAME] [--json]\n"
                   "\n"
                   "Integrates a variable, or an expression of variables and the coordinates x, y, z\n"
                   "(such as \"2*x+y\"), over the volume (default) or the boundary surface, and reports\n"
                   "the integral, the measure (volume or area where the values are defined) and the\n"
                   "average. A vector variable is integrated by its magnitude.\n"
                   "\n"
                   "options:\n"
                   "  --var NAME     the variable to integrate\n"
                   "  --expr EXPR    the expression to integrate\n"
                   "  --over WHERE   volume or boundary\n") +
               s_commonOptions;
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_option("--var", p_options.var);
        p_app.add_option("--expr", p_options.expr);
        p_app.add_option("--over", p_options.over);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (p_options.over != "volume" && p_options.over != "boundary") {
            throw UsageError("--over takes volume or boundary, not '" + p_options.over + "'");
        }
        if (p_options.hasVar == p_options.hasExpr) {
            throw UsageError("integrate needs exactly one of --var NAME and --expr EXPR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
            throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        warnFarCoordinates(mesh.geo(), p_err);
        Domain const domain = p_options.over == "boundary" ? Domain::Boundary : Domain::Volume;
        if (domain == Domain::Volume) {
            warnInverted(volumeMeasures(mesh.geo()), p_err);
        }
        Integral const r =
            integrate(mesh, p_options.hasVar ? p_options.var : p_options.expr, p_options.hasExpr, domain);
        printIntegral(p_options, mesh.source, r, p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeIntegrateCommand()
{
    return std::make_unique<IntegrateCommand>();
}

} // namespace zevgeom
