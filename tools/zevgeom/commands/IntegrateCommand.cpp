// zevgeom integrate: the integral, measure and average of a variable or an expression over the volume or
// the boundary.
#include "tools/zevgeom/Analysis.h"
#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Figures.h"
#include "tools/zevgeom/Report.h"
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

void printIntegral(Options const& p_options, std::string const& p_source, Integral const& p_result,
                   std::ostream& p_out)
{
    Integral const& r = p_result;
    char const* const measure = r.domain == Domain::Volume ? "volume" : "area";
    // An average over nothing is undefined, not zero.
    bool const averageDefined =
        r.valid && r.measure != 0 && r.average != double(zev::ZEV_UNDEF) && std::isfinite(r.average);
    if (p_options.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[p_options.hasVar ? "variable" : "expression"] = r.quantity;
        doc["location"] = r.location;
        doc["over"] = p_options.over;
        doc["integral"] = r.valid ? jsonNumber(r.integral) : Json(nullptr);
        doc[measure] = jsonNumber(r.measure);
        doc["average"] = averageDefined ? jsonNumber(r.average) : Json(nullptr);
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_options.hasVar ? "variable" : "expression", terminalSafe(r.quantity) + " (" + r.location + ")");
    t.row("over", p_options.over);
    t.row("integral", r.valid ? number(r.integral, 9) : "undefined");
    t.row(measure, number(r.measure, 9));
    t.row("average", averageDefined ? number(r.average, 9) : "undefined");
    t.print(p_out);
}

double averageOf(bool p_valid, double p_numerator, double p_denominator)
{
    // As the integration visitors define it: undefined without values or measure, and where the quotient
    // would underflow a float.
    double const undefined = static_cast<double>(zev::ZEV_UNDEF);
    if (!p_valid) {
        return undefined;
    }
    if (p_numerator == 0.0) {
        return 0.0;
    }
    if (p_denominator == 0.0) {
        return undefined;
    }
    if (!(std::fabs(p_denominator) > std::fabs(p_numerator)) &&
        std::fabs(p_denominator / p_numerator) < static_cast<double>(std::numeric_limits<float>::min())) {
        return undefined;
    }
    return p_numerator / p_denominator;
}

std::unique_ptr<Command> makeIntegrateCommand()
{
    return std::make_unique<IntegrateCommand>();
}

} // namespace zevgeom
