// zevgeom iso: the isosurface of a vertex field at a value, its faces and area, a variable carried onto
// it and integrated over it, and the surface written with every variable it carries.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Cut.h"
#include "zev/analysis/Measures.h"
#include "zev/cutting/GeometryIntersector.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/ScalarVariable.h"

#include <CLI/CLI.hpp>

namespace zevgeom {

namespace {

class IsoCommand : public Command {
public:
    IsoCommand()
        : Command(
              "iso",
              std::string(
                  "usage: zevgeom iso [MESH] (--iso-var NAME | --iso-expr EXPR) --value V\n"
                  "                   [--var NAME | --expr EXPR] [--flux VECTOR] [-o OUT] [--region NAME]\n"
                  "                   [--json]\n"
                  "\n"
                  "Cuts the mesh at the isosurface where a scalar vertex field, or an expression of\n"
                  "variables and x, y, z, equals V, and reports the surface's vertices, faces per\n"
                  "type and area; with a variable or an expression, its integral and average over the\n"
                  "surface (a vector by its magnitude); with --flux, the flux of a vector variable through\n"
                  "the surface towards increasing field values. Vertex values are carried along the cut\n"
                  "edges, cell values onto the faces cut from each cell.\n"
                  "\n"
                  "options:\n"
                  "  --iso-var NAME   the scalar vertex variable whose isosurface is cut\n"
                  "  --iso-expr EXPR  the expression whose isosurface is cut\n"
                  "  --value V        the iso value\n"
                  "  --var NAME       the vertex or cell variable to integrate over the surface\n"
                  "  --expr EXPR      the expression to integrate over the surface\n"
                  "  --flux VECTOR    the vector variable whose flux through the surface to find\n"
                  "  -o, --output     write the surface with every point and cell variable and the\n"
                  "                   integrated quantity (.vtk, .vtu, .vtp, .pvtu, .pvtp or .cgns)\n"
                  "  --binary         binary data (legacy BINARY, XML appended raw data)\n"
                  "  --compress       zlib-compressed blocks (XML formats only)\n") +
                  s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        for (char const* option : {"--iso-var", "--iso-expr", "--value"}) {
            p_app.add_option(option, p_options.values[option])->expected(1);
        }
        declareQuantity(p_app, p_options);
        p_app.add_option("--flux", p_options.values["--flux"]);
        declareOutput(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        std::vector<std::string> const& isoVar = p_options.values["--iso-var"];
        std::vector<std::string> const& isoExpr = p_options.values["--iso-expr"];
        if (isoVar.empty() == isoExpr.empty() || isoVar.size() > 1 || isoExpr.size() > 1) {
            throw UsageError("iso needs exactly one of --iso-var NAME and --iso-expr EXPR");
        }
        if ((isoVar.empty() ? isoExpr : isoVar).front().empty()) {
            throw UsageError(isoVar.empty() ? "--iso-expr needs an expression"
                                            : "--iso-var needs a variable name");
        }
        std::vector<std::string> const& value = p_options.values["--value"];
        std::vector<double> numbers;
        if (value.empty()) {
            throw UsageError("iso needs --value V");
        }
        if (value.size() > 1 || !parseNumbers(value.front(), 1, numbers)) {
            throw UsageError("--value takes a number, not '" + terminalSafe(value.back()) + "'");
        }
        checkCarriedQuantity(p_options, "iso");
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        return runCut(p_options, p_out, p_err, makeIso);
    }
};

} // namespace

std::unique_ptr<Command> makeIsoCommand()
{
    return std::make_unique<IsoCommand>();
}

} // namespace zevgeom
