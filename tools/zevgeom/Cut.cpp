#include "tools/zevgeom/Cut.h"

#include "tools/zevgeom/Figures.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/AreaVisitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>

namespace zevgeom {

zev::GeometryAutoPtr newSurface(std::string const& p_name)
{
    installLocationProvider();
    zev::GeometryAutoPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    surface.get()->setName(p_name);
    return surface;
}

bool parseNumbers(std::string const& p_text, std::size_t p_count, std::vector<double>& p_numbers)
{
    p_numbers.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t const comma = p_text.find(',', start);
        std::string const field = p_text.substr(start, comma == std::string::npos ? comma : comma - start);
        char* end = nullptr;
        double const value = std::strtod(field.c_str(), &end);
        if (field.empty() || *end != '\0' || !std::isfinite(value)) {
            return false;
        }
        p_numbers.push_back(value);
        if (comma == std::string::npos) {
            return p_numbers.size() == p_count;
        }
        start = comma + 1;
    }
}

bool unitPlane(std::vector<double> const& p_numbers, zev::Triplet& p_normal, double& p_offset)
{
    double const scale = std::max({std::abs(p_numbers[3]), std::abs(p_numbers[4]), std::abs(p_numbers[5])});
    if (!(scale > 0) || !std::isfinite(scale)) {
        return false;
    }
    // Scaled first, so that the squares neither overflow nor vanish.
    double n[3] = {p_numbers[3] / scale, p_numbers[4] / scale, p_numbers[5] / scale};
    double const length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& c : n) {
        c /= length;
    }
    p_normal = zev::Triplet(n[0], n[1], n[2]);
    p_offset = n[0] * p_numbers[0] + n[1] * p_numbers[1] + n[2] * p_numbers[2];
    return std::isfinite(p_offset);
}

void checkCarriedQuantity(Options const& p_options, char const* p_command)
{
    if (p_options.hasVar && p_options.hasExpr) {
        throw UsageError(std::string(p_command) + " takes at most one of --var NAME and --expr EXPR");
    }
    if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
        throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
    }
}

void fileCarriedQuantity(LoadedMesh& p_mesh, Options const& p_options)
{
    if (!p_options.hasVar && !p_options.hasExpr) {
        return;
    }
    std::string const& quantity = p_options.hasVar ? p_options.var : p_options.expr;
    if (fileQuantity(p_mesh, quantity, p_options.hasExpr) != zev::eVertex) {
        throw UsageError("'" + quantity + "' does not live at the vertices; a cut carries vertex values");
    }
}

std::vector<MeshVariable> carryOntoCut(Options const& p_options, LoadedMesh& p_mesh, zev::Geometry& p_surface)
{
    zev::Geometry& domain = p_mesh.geo();
    zev::Interpolant const* edges = p_surface.getEdgeInterpolant();
    // Every point variable of the mesh, and the expression, carried through the cut's edge interpolant.
    auto carry = [&](zev::Variable const& p_variable, std::string const& p_name) {
        if (edges == nullptr) {
            throw UsageError("the cut has no edge interpolant to carry '" + p_name + "'");
        }
        std::unique_ptr<zev::Variable> carried(edges->interpolate({const_cast<zev::Variable*>(&p_variable)}));
        return std::unique_ptr<zev::Variable>(carried->clone(p_name));
    };
    std::vector<MeshVariable> pointVariables;
    for (MeshVariable const& mv : p_mesh.variables) {
        if (mv.location == zev::eVertex && mv.variable) {
            MeshVariable& out = pointVariables.emplace_back();
            out.name = mv.name;
            out.numComponents = mv.numComponents;
            out.variable = carry(*mv.variable, mv.name);
        }
    }
    if (p_options.hasVar || p_options.hasExpr) {
        std::string const& quantity = p_options.hasVar ? p_options.var : p_options.expr;
        zev::Variable const* values = domain.findVariable(quantity, zev::eVertex);
        if (values == nullptr) {
            throw UsageError("no vertex values of '" + quantity + "'");
        }
        zev::Variable* copy = carry(*values, quantity).release();
        try {
            p_surface.addVariable(copy, zev::eVertex);
        } catch (zev::Error const&) {
            delete copy;
            throw;
        }
    }
    return pointVariables;
}

MeshData cutMeshData(zev::Geometry const& p_surface, std::vector<MeshVariable> const& p_pointVariables)
{
    ExportSelection selection;
    selection.elements = false;
    selection.lines = false;
    return fromLibrary(p_surface, p_pointVariables, selection);
}

CutFigures cutFigures(Options const& p_options, zev::Geometry& p_surface)
{
    CutFigures f;
    std::vector<std::string> const sets = p_surface.getFaceSetNames();
    f.sets = setRows(p_surface, false);
    for (SetRow const& r : f.sets) {
        f.count += r.count;
    }
    f.vertices = p_surface.getNumVertices();
    f.measure = areaMeasures(p_surface, sets).total;
    bool const hasQuantity = p_options.hasVar || p_options.hasExpr;
    zev::AreaVisitor visitor(p_options.hasVar ? p_options.var : p_options.expr);
    if (hasQuantity && f.count > 0) {
        p_surface.acceptVisitor(visitor);
    }
    f.valid = hasQuantity && f.count > 0 && visitor.isValid();
    f.integral = f.valid ? visitor.getNumerator() : 0.0;
    f.denominator = f.valid ? visitor.getDenominator() : 0.0;
    return f;
}

Json setList(std::vector<SetRow> const& p_sets)
{
    Json list = Json::array();
    for (SetRow const& r : p_sets) {
        list.push_back({{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}});
    }
    return list;
}

void addSetRows(Table& p_table, std::vector<SetRow> const& p_sets)
{
    for (SetRow const& r : p_sets) {
        p_table.row("  " + terminalSafe(r.name), std::to_string(r.count) + " " + shapeName(r.type));
    }
}

namespace {

// The quantity of --var or --expr as the reports show it; null when neither was given.
struct QuantityReport {
    char const* kind;
    std::string const* name;
    double average;
    bool averageDefined;
};

bool quantityReport(Options const& p_options, CutFigures const& p_figures, QuantityReport& p_report)
{
    if (!p_options.hasVar && !p_options.hasExpr) {
        return false;
    }
    CutFigures const& f = p_figures;
    p_report.kind = p_options.hasVar ? "variable" : "expression";
    p_report.name = p_options.hasVar ? &p_options.var : &p_options.expr;
    p_report.average = averageOf(f.valid, f.integral, f.denominator);
    p_report.averageDefined = f.valid && f.denominator != 0 && p_report.average != double(zev::ZEV_UNDEF) &&
                              std::isfinite(p_report.average);
    return true;
}

} // namespace

void addQuantity(Options const& p_options, CutFigures const& p_figures, Json& p_doc)
{
    QuantityReport q;
    if (quantityReport(p_options, p_figures, q)) {
        p_doc[q.kind] = *q.name;
        p_doc["integral"] = p_figures.valid ? jsonNumber(p_figures.integral) : Json(nullptr);
        p_doc["average"] = q.averageDefined ? jsonNumber(q.average) : Json(nullptr);
    }
}

void addQuantity(Options const& p_options, CutFigures const& p_figures, Table& p_table)
{
    QuantityReport q;
    if (quantityReport(p_options, p_figures, q)) {
        p_table.row(q.kind, terminalSafe(*q.name) + " (vertex)");
        p_table.row("integral", p_figures.valid ? number(p_figures.integral, 9) : "undefined");
        p_table.row("average", q.averageDefined ? number(q.average, 9) : "undefined");
    }
}

void printCut(Options const& p_options, std::string const& p_source,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson,
              CutFigures const& p_figures, std::ostream& p_out)
{
    CutFigures const& f = p_figures;
    if (p_options.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[p_what.first] = p_whatJson;
        if (!p_options.output.empty()) {
            doc["output"] = p_options.output;
        }
        doc["vertices"] = f.vertices;
        doc["faces"] = f.count;
        doc["sets"] = setList(f.sets);
        doc["area"] = jsonNumber(f.measure);
        addQuantity(p_options, f, doc);
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_what.first, terminalSafe(p_what.second));
    if (!p_options.output.empty()) {
        t.row("output", terminalSafe(p_options.output));
    }
    t.row("vertices", std::to_string(f.vertices));
    t.row("faces", std::to_string(f.count));
    addSetRows(t, f.sets);
    t.row("area", number(f.measure));
    addQuantity(p_options, f, t);
    t.print(p_out);
}

int reportCut(Options const& p_options, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out)
{
    std::vector<MeshVariable> const pointVariables = carryOntoCut(p_options, p_mesh, p_surface);
    if (!p_options.output.empty()) {
        writeMeshFile(cutMeshData(p_surface, pointVariables), p_options.output, writeOptions(p_options));
    }
    printCut(p_options, p_mesh.source, p_what, p_whatJson, cutFigures(p_options, p_surface), p_out);
    return 0;
}

} // namespace zevgeom
