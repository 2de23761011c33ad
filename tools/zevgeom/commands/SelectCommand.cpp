// zevgeom select: the whole elements on one side of a plane or a sphere, or whose vertex values lie in a
// range, with their volume and the integral of a variable over them, written with the variables they carry.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/VolumeSelection.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <ostream>
#include <utility>

namespace zevgeom {

namespace {

class SelectCommand : public Command {
public:
    SelectCommand()
        : Command(
              "select",
              std::string(
                  "usage: zevgeom select [MESH] (--plane PX,PY,PZ,NX,NY,NZ --side above|below\n"
                  "                      | --sphere CX,CY,CZ,R --side inside|outside\n"
                  "                      | (--range-var NAME | --range-expr EXPR) [--min A] [--max B])\n"
                  "                      [--inclusive] [--var NAME | --expr EXPR] [-o OUT] [--region NAME] "
                  "[--json]\n"
                  "\n"
                  "Selects whole elements: those on one side of a plane or a sphere, or those whose vertex\n"
                  "values of a scalar variable or expression lie between A and B (above A with --min only,\n"
                  "below B with --max only). An element is judged by its vertices: exclusive (default), "
                  "all\n"
                  "of them strictly on the side or in the range; with --inclusive, any of them on the side\n"
                  "or on the surface. Reports the elements per set, their volume and, with a variable\n"
                  "or an expression, its integral and average over them.\n"
                  "\n"
                  "options:\n"
                  "  --plane P,N        a plane: a point on it and its normal; above is where the normal "
                  "points\n"
                  "  --sphere C,R       a sphere: its centre and radius\n"
                  "  --side SIDE        above or below a plane, inside or outside a sphere\n"
                  "  --range-var NAME   the vertex variable whose values select\n"
                  "  --range-expr EXPR  the expression whose values select\n"
                  "  --min A, --max B   the range\n"
                  "  --inclusive        keep the elements that touch the side or the range\n"
                  "  --var NAME         the vertex or cell variable to integrate over the selection\n"
                  "  --expr EXPR        the expression to integrate over the selection\n"
                  "  -o, --output       write the selection with every point and cell variable and\n"
                  "                     the integrated quantity (.vtk, .vtu, .vtp, .pvtu, .pvtp or .cgns)\n"
                  "  --binary           binary data (legacy BINARY, XML appended raw data)\n"
                  "  --compress         zlib-compressed blocks (XML formats only)\n") +
                  s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        for (char const* option :
             {"--plane", "--sphere", "--side", "--range-var", "--range-expr", "--min", "--max"}) {
            p_app.add_option(option, p_options.values[option])->expected(1);
        }
        p_options.values["--inclusive"];
        p_app.add_flag_callback("--inclusive",
                                [&p_options] { p_options.values["--inclusive"].push_back("1"); });
        declareQuantity(p_app, p_options);
        declareOutput(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        auto const count = [&](char const* p_option) { return p_options.values[p_option].size(); };
        for (char const* option :
             {"--plane", "--sphere", "--side", "--range-var", "--range-expr", "--min", "--max"}) {
            if (count(option) > 1) {
                throw UsageError(std::string(option) + " is given more than once");
            }
        }
        std::size_t const kinds =
            count("--plane") + count("--sphere") + count("--range-var") + count("--range-expr");
        if (kinds != 1) {
            throw UsageError("select needs exactly one of --plane, --sphere, --range-var and --range-expr");
        }
        std::vector<double> numbers;
        if (count("--plane") + count("--sphere") == 1) {
            bool const plane = count("--plane") == 1;
            std::string const& text = p_options.values[plane ? "--plane" : "--sphere"].front();
            if (!parseNumbers(text, plane ? 6 : 4, numbers)) {
                throw UsageError(plane ? "--plane takes PX,PY,PZ,NX,NY,NZ, not '" + terminalSafe(text) + "'"
                                       : "--sphere takes CX,CY,CZ,R, not '" + terminalSafe(text) + "'");
            }
            zev::Triplet normal;
            double offset = 0;
            if (plane && !unitPlane(numbers, normal, offset)) {
                throw UsageError("--plane needs a normal that is not zero");
            }
            if (!plane && numbers[3] < 0) {
                throw UsageError("--sphere needs a radius that is not negative");
            }
            std::string const side =
                count("--side") == 1 ? p_options.values["--side"].front() : std::string();
            char const* const a = plane ? "above" : "inside";
            char const* const b = plane ? "below" : "outside";
            if (side != a && side != b) {
                throw UsageError(std::string("--side takes ") + a + " or " + b +
                                 (plane ? " of a plane" : " of a sphere"));
            }
            if (count("--min") + count("--max") > 0) {
                throw UsageError("--min and --max bound --range-var or --range-expr");
            }
        } else {
            if (count("--side") > 0) {
                throw UsageError("--side goes with --plane or --sphere");
            }
            if (count("--min") + count("--max") == 0) {
                throw UsageError("a range needs --min A, --max B or both");
            }
            for (char const* option : {"--min", "--max"}) {
                if (count(option) == 1 && !parseNumbers(p_options.values[option].front(), 1, numbers)) {
                    throw UsageError(std::string(option) + " takes a number, not '" +
                                     terminalSafe(p_options.values[option].front()) + "'");
                }
            }
            std::string const& field =
                p_options.values[count("--range-var") == 1 ? "--range-var" : "--range-expr"].front();
            if (field.empty()) {
                throw UsageError(count("--range-var") == 1 ? "--range-var needs a variable name"
                                                           : "--range-expr needs an expression");
            }
        }
        checkCarriedQuantity(p_options, "select");
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        warnFarCoordinates(mesh.geo(), p_err);
        MadeCut const cut = makeSelection(p_options, mesh);
        std::vector<MeshVariable> const variables = selectionVariables(p_options, mesh, *cut.surface);
        if (!p_options.output.empty()) {
            writeOutput(selectionMeshData(*cut.surface, variables), p_options);
        }
        CutFigures const figures = selectionFigures(p_options, *cut.surface);
        warnInverted(figures.inverted, p_err);
        printSelection(p_options, mesh.source, cut.what.first, cut.what.second, cut.whatJson, figures, p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeSelectCommand()
{
    return std::make_unique<SelectCommand>();
}

} // namespace zevgeom
