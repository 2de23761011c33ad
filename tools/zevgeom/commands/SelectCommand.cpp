// zevgeom select: the whole elements on one side of a plane or a sphere, or whose vertex values lie in a
// range, with their volume and the integral of a variable over them, written with their point variables.
#include "tools/zevgeom/Analysis.h"
#include "tools/zevgeom/Cut.h"
#include "tools/zevgeom/Figures.h"
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

using Selection = zev::VolumeSelection;

std::vector<std::string> const& given(Options const& p_options, char const* p_option)
{
    return p_options.values.at(p_option);
}

class SelectCommand : public Command {
public:
    char const* name() const override { return "select"; }

    std::string help() const override
    {
        return std::string(
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
                   "or on the surface. Reports the elements per set, their volume and, with a vertex "
                   "variable\n"
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
                   "  --var NAME         the vertex variable to integrate over the selection\n"
                   "  --expr EXPR        the expression to integrate over the selection\n"
                   "  -o, --output       write the selection with every point variable\n"
                   "  --binary           write a legacy file as BINARY\n") +
               s_commonOptions;
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
        p_app.add_option("--var", p_options.var);
        p_app.add_option("--expr", p_options.expr);
        declareOutput(p_app, p_options);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
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
        std::vector<MeshVariable> const pointVariables = selectionVariables(p_options, mesh, *cut.surface);
        if (!p_options.output.empty()) {
            writeMeshFile(selectionMeshData(*cut.surface, pointVariables), p_options.output,
                          writeOptions(p_options));
        }
        CutFigures const figures = selectionFigures(p_options, *cut.surface);
        warnInverted(figures.inverted, p_err);
        printSelection(p_options, mesh.source, cut.what.first, cut.what.second, cut.whatJson, figures, p_out);
        return 0;
    }
};

} // namespace

MadeCut makeSelection(Options const& p_options, LoadedMesh& p_mesh)
{
    zev::Geometry& domain = p_mesh.geo();
    fileCarriedQuantity(p_mesh, p_options);
    bool const inclusive = !given(p_options, "--inclusive").empty();
    MadeCut cut;
    cut.surface.reset(newSurface("selection").release());
    zev::Geometry& out = *cut.surface;
    out.getVertices() = std::as_const(domain).getVertices();
    std::vector<double> n;
    Json& what = cut.whatJson;
    std::string& label = cut.what.first;
    std::string& text = cut.what.second;
    if (!given(p_options, "--plane").empty() || !given(p_options, "--sphere").empty()) {
        bool const plane = !given(p_options, "--plane").empty();
        parseNumbers(given(p_options, plane ? "--plane" : "--sphere").front(), plane ? 6 : 4, n);
        std::string const& side = given(p_options, "--side").front();
        bool const below = side == "below" || side == "inside";
        char const* const sideName = below ? Selection::s_belowIntersection : Selection::s_aboveIntersection;
        if (plane) {
            zev::Triplet normal;
            double d = 0;
            unitPlane(n, normal, d);
            out.calcVolume("domain", &domain, "", sideName, inclusive, static_cast<float>(d), normal, {});
            label = "plane";
            text = "point (" + number(n[0]) + ", " + number(n[1]) + ", " + number(n[2]) + "), normal (" +
                   number(n[3]) + ", " + number(n[4]) + ", " + number(n[5]) + "), " + side;
            what["point"] = {n[0], n[1], n[2]};
            what["normal"] = {n[3], n[4], n[5]};
        } else {
            out.calcVolume("domain", &domain, sideName, inclusive, zev::Triplet(n[0], n[1], n[2]),
                           static_cast<float>(n[3]), {});
            label = "sphere";
            text = "centre (" + number(n[0]) + ", " + number(n[1]) + ", " + number(n[2]) + "), radius " +
                   number(n[3]) + ", " + side;
            what["centre"] = {n[0], n[1], n[2]};
            what["radius"] = n[3];
        }
        what["side"] = side;
    } else {
        bool const isExpression = given(p_options, "--range-var").empty();
        std::string const& field = given(p_options, isExpression ? "--range-expr" : "--range-var").front();
        if (fileQuantity(p_mesh, field, isExpression) != zev::eVertex) {
            throw UsageError("'" + field +
                             "' does not live at the vertices; a range selects by vertex values");
        }
        auto const* scalar =
            dynamic_cast<zev::ScalarVariable const*>(domain.findVariable(field, zev::eVertex));
        if (scalar == nullptr || scalar->getAllTypes(zev::eVertex).empty()) {
            throw UsageError("'" + field + "' is not a scalar; a range needs one value per vertex");
        }
        bool const hasMin = !given(p_options, "--min").empty();
        bool const hasMax = !given(p_options, "--max").empty();
        double lo = 0, hi = 0;
        if (hasMin) {
            parseNumbers(given(p_options, "--min").front(), 1, n);
            lo = n[0];
        }
        if (hasMax) {
            parseNumbers(given(p_options, "--max").front(), 1, n);
            hi = n[0];
        }
        char const* const range = hasMin && hasMax ? Selection::s_betweenValues
                                  : hasMin         ? Selection::s_aboveValue
                                                   : Selection::s_belowValue;
        float const first = static_cast<float>(hasMin ? lo : hi);
        out.calcIsovolume("domain", &domain, range, inclusive, scalar,
                          *scalar->getAllTypes(zev::eVertex).begin(), first, static_cast<float>(hi), {});
        label = "range";
        text = terminalSafe(field) + (hasMin ? " from " + number(lo) : std::string()) +
               (hasMax ? " to " + number(hi) : std::string());
        what[isExpression ? "expression" : "variable"] = field;
        what["min"] = hasMin ? Json(lo) : Json(nullptr);
        what["max"] = hasMax ? Json(hi) : Json(nullptr);
    }
    what["inclusive"] = inclusive;
    return cut;
}

std::vector<MeshVariable> selectionVariables(Options const& p_options, LoadedMesh& p_mesh,
                                             zev::Geometry& p_selection)
{
    zev::Geometry& domain = p_mesh.geo();
    // The selection indexes the domain's vertices, so vertex variables carry over as they are.
    std::vector<MeshVariable> pointVariables;
    for (MeshVariable const& mv : p_mesh.variables) {
        if (mv.location == zev::eVertex && mv.variable) {
            MeshVariable& copy = pointVariables.emplace_back();
            copy.name = mv.name;
            copy.numComponents = mv.numComponents;
            copy.variable.reset(mv.variable->clone(mv.name));
        }
    }
    if (p_options.hasVar || p_options.hasExpr) {
        std::string const& quantity = p_options.hasVar ? p_options.var : p_options.expr;
        zev::Variable const* values = domain.findVariable(quantity, zev::eVertex);
        if (values == nullptr) {
            throw UsageError("no vertex values of '" + quantity + "'");
        }
        zev::Variable* copy = values->clone(quantity);
        try {
            p_selection.addVariable(copy, zev::eVertex);
        } catch (zev::Error const&) {
            delete copy;
            throw;
        }
    }
    return pointVariables;
}

MeshData selectionMeshData(zev::Geometry const& p_selection,
                           std::vector<MeshVariable> const& p_pointVariables)
{
    ExportSelection selection;
    selection.allFaceSets = false;
    selection.lines = false;
    selection.compactVertices = true;
    return fromLibrary(p_selection, p_pointVariables, selection);
}

CutFigures selectionFigures(Options const& p_options, zev::Geometry& p_selection)
{
    CutFigures f;
    f.sets = setRows(p_selection, true);
    for (SetRow const& r : f.sets) {
        f.count += r.count;
    }
    VolumeMeasures const volumes = volumeMeasures(p_selection);
    f.measure = volumes.total;
    f.inverted = volumes.inverted;
    bool const hasQuantity = p_options.hasVar || p_options.hasExpr;
    Integral integral;
    if (hasQuantity && f.count > 0) {
        integral = volumeIntegral(p_selection, p_options.hasVar ? p_options.var : p_options.expr);
    }
    f.valid = hasQuantity && f.count > 0 && integral.valid;
    f.integral = f.valid ? integral.integral : 0.0;
    f.denominator = f.valid ? integral.measure : 0.0;
    return f;
}

void printSelection(Options const& p_options, std::string const& p_source, std::string const& p_label,
                    std::string const& p_text, Json const& p_what, CutFigures const& p_figures,
                    std::ostream& p_out)
{
    CutFigures const& f = p_figures;
    if (p_options.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[p_label] = p_what;
        if (!p_options.output.empty()) {
            doc["output"] = p_options.output;
        }
        doc["elements"] = f.count;
        doc["sets"] = setList(f.sets);
        doc["volume"] = jsonNumber(f.measure);
        addQuantity(p_options, f, doc);
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_label, p_text + (given(p_options, "--inclusive").empty() ? ", exclusive" : ", inclusive"));
    if (!p_options.output.empty()) {
        t.row("output", terminalSafe(p_options.output));
    }
    t.row("elements", std::to_string(f.count));
    addSetRows(t, f.sets);
    t.row("volume", number(f.measure, 9));
    addQuantity(p_options, f, t);
    t.print(p_out);
}

std::unique_ptr<Command> makeSelectCommand()
{
    return std::make_unique<SelectCommand>();
}

} // namespace zevgeom
