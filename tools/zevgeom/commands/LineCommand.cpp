// zevgeom line: where a straight line crosses the boundary surface of a mesh, in order along the line, with
// a variable's value at each crossing, and the stretches of the line inside the cells.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Line.h"
#include "zev/analysis/Measures.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zevgeom {

namespace {

class LineCommand : public Command {
public:
    LineCommand()
        : Command(
              "line",
              std::string(
                  "usage: zevgeom line [MESH] --from X,Y,Z --to X,Y,Z [--var NAME | --expr EXPR]\n"
                  "                    [--region NAME] [--json]\n"
                  "\n"
                  "Intersects the straight line through two points with the boundary surface of the\n"
                  "volume cells (or with the surface of a surface mesh) and lists the crossings in order\n"
                  "along the line: the face (set and position), the parameter t (the distance from the\n"
                  "--from point towards --to, negative behind it), the point and the value of a vertex\n"
                  "variable or expression there. The stretches of the line inside the cells follow,\n"
                  "with their lengths, the chords of the domain along the line.\n"
                  "\n"
                  "options:\n"
                  "  --from X,Y,Z   a point of the line\n"
                  "  --to X,Y,Z     another point of the line; the direction is from --from to --to\n"
                  "  --var NAME     the vertex variable to show at the crossings\n"
                  "  --expr EXPR    the expression to show at the crossings\n") +
                  s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_option("--from", p_options.values["--from"])->expected(1);
        p_app.add_option("--to", p_options.values["--to"])->expected(1);
        declareQuantity(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        lineOptions(p_options);
        if (p_options.hasVar && p_options.hasExpr) {
            throw UsageError("line takes at most one of --var NAME and --expr EXPR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
            throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        warnFarCoordinates(mesh.geo(), p_err);
        printLine(p_options, line(mesh, p_options), p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeLineCommand()
{
    return std::make_unique<LineCommand>();
}

} // namespace zevgeom
