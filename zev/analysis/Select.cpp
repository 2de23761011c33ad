// The select operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/VolumeSelection.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <utility>

namespace zev::analysis {

namespace {

using Selection = zev::VolumeSelection;

std::vector<std::string> const& given(Request const& p_request, char const* p_option)
{
    return p_request.values.at(p_option);
}

} // namespace

MadeCut makeSelection(Request const& p_request, LoadedMesh& p_mesh)
{
    zev::Geometry& domain = p_mesh.geo();
    fileCarriedQuantity(p_mesh, p_request);
    bool const inclusive = !given(p_request, "--inclusive").empty();
    MadeCut cut;
    cut.surface.reset(newSurface("selection").release());
    zev::Geometry& out = *cut.surface;
    out.getVertices() = std::as_const(domain).getVertices();
    std::vector<double> n;
    Json& what = cut.whatJson;
    std::string& label = cut.what.first;
    std::string& text = cut.what.second;
    if (!given(p_request, "--plane").empty() || !given(p_request, "--sphere").empty()) {
        bool const plane = !given(p_request, "--plane").empty();
        parseNumbers(given(p_request, plane ? "--plane" : "--sphere").front(), plane ? 6 : 4, n);
        std::string const& side = given(p_request, "--side").front();
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
        bool const isExpression = given(p_request, "--range-var").empty();
        std::string const& field = given(p_request, isExpression ? "--range-expr" : "--range-var").front();
        if (fileQuantity(p_mesh, field, isExpression) != zev::eVertex) {
            throw UsageError(
                "'" + field +
                "' does not live at the vertices; a range selects by vertex values (--point-data averages "
                "cell values to the vertices)");
        }
        auto const* scalar =
            dynamic_cast<zev::ScalarVariable const*>(domain.findVariable(field, zev::eVertex));
        if (scalar == nullptr || scalar->getAllTypes(zev::eVertex).empty()) {
            throw UsageError("'" + field + "' is not a scalar; a range needs one value per vertex");
        }
        bool const hasMin = !given(p_request, "--min").empty();
        bool const hasMax = !given(p_request, "--max").empty();
        double lo = 0, hi = 0;
        if (hasMin) {
            parseNumbers(given(p_request, "--min").front(), 1, n);
            lo = n[0];
        }
        if (hasMax) {
            parseNumbers(given(p_request, "--max").front(), 1, n);
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

std::vector<MeshVariable> selectionVariables(Request const& p_request, LoadedMesh& p_mesh,
                                             zev::Geometry& p_selection)
{
    zev::Geometry& domain = p_mesh.geo();
    // The selection indexes the domain's vertices, so vertex variables carry over as they are; element
    // variables go through its element records.
    auto carry = [&](zev::Variable const& p_variable, zev::VarLocation p_from, std::string const& p_name) {
        if (p_from == zev::eVertex) {
            return std::unique_ptr<zev::Variable>(p_variable.clone(p_name));
        }
        std::unique_ptr<zev::Variable> carried = carryVariable(p_selection, p_variable, p_from, p_name);
        if (!carried) {
            throw UsageError("the selection keeps no element records to carry '" + p_name + "'");
        }
        return carried;
    };
    std::vector<MeshVariable> variables;
    for (MeshVariable const& mv : p_mesh.variables) {
        if ((mv.location == zev::eVertex || mv.location == zev::eElement) && mv.variable) {
            MeshVariable& copy = variables.emplace_back();
            copy.name = mv.name;
            copy.numComponents = mv.numComponents;
            copy.location = mv.location;
            copy.variable = carry(*mv.variable, mv.location, mv.name);
        }
    }
    if (p_request.hasVar || p_request.hasExpr) {
        std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
        zev::VarLocation from = zev::eVertex;
        zev::Variable const* values = domain.findVariable(quantity, zev::eVertex);
        if (values == nullptr && (values = domain.findVariable(quantity, zev::eElement)) != nullptr) {
            from = zev::eElement;
        }
        if (values == nullptr) {
            throw UsageError("no vertex or element values of '" + quantity + "'");
        }
        // An expression's element values are one array over the sets; the element records read per set.
        std::unique_ptr<zev::Variable> bySet;
        if (from == zev::eElement && values->getDataKeysOnLocation(zev::eElement).empty()) {
            bySet = perSetValues(*values, domain, zev::eElement);
            values = bySet.get();
        }
        std::unique_ptr<zev::Variable> selected = carry(*values, from, quantity);
        selected->setLocation(from);
        std::unique_ptr<zev::Variable> filed(selected->clone(quantity));
        filed->setLocation(from);
        p_selection.addVariable(filed.get(), from);
        filed.release();
        listQuantity(variables, quantity, std::move(selected), from);
    }
    return variables;
}

MeshData selectionMeshData(zev::Geometry const& p_selection, std::vector<MeshVariable> const& p_variables)
{
    ExportSelection selection;
    selection.allFaceSets = false;
    selection.lines = false;
    selection.compactVertices = true;
    return fromLibrary(p_selection, p_variables, selection);
}

CutFigures selectionFigures(Request const& p_request, zev::Geometry& p_selection)
{
    CutFigures f;
    f.sets = setRows(p_selection, true);
    for (SetRow const& r : f.sets) {
        f.count += r.count;
    }
    VolumeMeasures const volumes = volumeMeasures(p_selection);
    f.measure = volumes.total;
    f.inverted = volumes.inverted;
    bool const hasQuantity = p_request.hasVar || p_request.hasExpr;
    f.location = hasQuantity && p_selection.hasVariable(p_request.hasVar ? p_request.var : p_request.expr,
                                                        zev::eElement)
                     ? "element"
                     : "vertex";
    Integral integral;
    if (hasQuantity && f.count > 0) {
        integral = volumeIntegral(p_selection, p_request.hasVar ? p_request.var : p_request.expr);
    }
    f.valid = hasQuantity && f.count > 0 && integral.valid;
    f.integral = f.valid ? integral.integral : 0.0;
    f.denominator = f.valid ? integral.measure : 0.0;
    return f;
}

void printSelection(Request const& p_request, std::string const& p_source, std::string const& p_label,
                    std::string const& p_text, Json const& p_what, CutFigures const& p_figures,
                    std::ostream& p_out)
{
    std::string const text =
        p_text + (given(p_request, "--inclusive").empty() ? ", exclusive" : ", inclusive");
    Document doc = cutReportHead(p_request, p_source, p_label, p_what, text);
    doc.count("elements", "elements", p_figures.count);
    addCutFigures(p_request, p_figures, doc, "volume", number(p_figures.measure, 9));
    doc.print(p_out, p_request.json);
}

} // namespace zev::analysis
