// zevgeom integrate: the integral, measure and average of a variable or an expression over the volume or
// the boundary.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Flux.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

namespace zevgeom {

namespace {

class IntegrateCommand : public Command {
public:
    IntegrateCommand()
        : Command(
              "integrate",
              std::string(
                  "usage: zevgeom integrate [MESH] (--var NAME | --expr EXPR | --flux VECTOR)\n"
                  "                         [--over volume|boundary|SET]... [--region NAME] [--json]\n"
                  "\n"
                  "Integrates a variable, or an expression of variables and the coordinates x, y, z\n"
                  "(such as \"2*x+y\"), over the volume (default), the boundary surface, or a face or\n"
                  "element set named by its name or its label, and reports the integral, the measure\n"
                  "(volume or area where the values are defined) and the average. A vector variable is\n"
                  "integrated by its magnitude; velocity_x or {velocity X} names its first component, and\n"
                  "{Normal X} the first component of a surface's unit normal. With --flux, the flux of a\n"
                  "vector variable out through the boundary or a face set: the integral of V . n, n\n"
                  "pointing out of the volume. Each --over gives one result, in the order given.\n"
                  "\n"
                  "options:\n"
                  "  --var NAME     the variable to integrate\n"
                  "  --expr EXPR    the expression to integrate\n"
                  "  --flux VECTOR  the vector variable whose flux to find\n"
                  "  --over WHERE   volume, boundary, or a set (repeatable)\n") +
                  s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        declareQuantity(p_app, p_options);
        p_app.add_option("--flux", p_options.values["--flux"]);
        p_app.add_option("--over", p_options.values["--over"]);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        std::vector<std::string>& over = p_options.values["--over"];
        std::vector<std::string> const& flux = p_options.values["--flux"];
        if (flux.size() > 1) {
            throw UsageError("--flux takes one vector variable");
        }
        bool const hasFlux = !flux.empty();
        if (int(p_options.hasVar) + int(p_options.hasExpr) + int(hasFlux) != 1) {
            throw UsageError("integrate needs exactly one of --var NAME, --expr EXPR and --flux VECTOR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty()) ||
            (hasFlux && flux.front().empty())) {
            throw UsageError(p_options.hasVar    ? "--var needs a variable name"
                             : p_options.hasExpr ? "--expr needs an expression"
                                                 : "--flux needs a vector variable");
        }
        if (over.empty()) {
            over.push_back(hasFlux ? "boundary" : "volume");
        }
        for (std::string const& where : over) {
            if (where.empty()) {
                throw UsageError("--over takes volume, boundary or the name of a set");
            }
            if (hasFlux && where == "volume") {
                throw UsageError("a flux goes through a surface: --over boundary or a face set, not volume");
            }
        }
        p_options.over = over.front();
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        warnFarCoordinates(mesh.geo(), p_err);
        std::vector<std::string> const& over = p_options.values.at("--over");
        if (std::find(over.begin(), over.end(), "volume") != over.end()) {
            warnInverted(volumeMeasures(mesh.geo()), p_err);
        }
        auto const flux = p_options.values.find("--flux");
        if (flux != p_options.values.end() && !flux->second.empty()) {
            std::vector<Flux> results;
            for (std::string const& where : over) {
                results.push_back(meshFlux(mesh, flux->second.front(), where));
            }
            printFluxes(p_options, mesh.source, results, p_out);
            return 0;
        }
        std::vector<Integral> results;
        for (std::string const& where : over) {
            results.push_back(integrateOver(mesh, p_options.hasVar ? p_options.var : p_options.expr,
                                            p_options.hasExpr, where));
        }
        printIntegrals(p_options, mesh.source, results, p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeIntegrateCommand()
{
    return std::make_unique<IntegrateCommand>();
}

} // namespace zevgeom
