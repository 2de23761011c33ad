#include "zev/analysis/Cut.h"

#include "zev/analysis/Figures.h"
#include "zev/analysis/Flux.h"
#include "zev/analysis/Measures.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/AreaVisitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <ostream>

namespace zev::analysis {

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

void checkCarriedQuantity(Request const& p_request, char const* p_command)
{
    if (p_request.hasVar && p_request.hasExpr) {
        throw UsageError(std::string(p_command) + " takes at most one of --var NAME and --expr EXPR");
    }
    if ((p_request.hasVar && p_request.var.empty()) || (p_request.hasExpr && p_request.expr.empty())) {
        throw UsageError(p_request.hasVar ? "--var needs a variable name" : "--expr needs an expression");
    }
    auto const flux = p_request.values.find("--flux");
    if (flux != p_request.values.end() &&
        (flux->second.size() > 1 || (flux->second.size() == 1 && flux->second.front().empty()))) {
        throw UsageError("--flux takes one vector variable");
    }
}

void fileCarriedQuantity(LoadedMesh& p_mesh, Request const& p_request)
{
    if (!p_request.hasVar && !p_request.hasExpr) {
        return;
    }
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    // A normal is the cut's own: such a quantity is evaluated on the cut once it is made. A selection of
    // elements has no faces to have normals.
    if (p_request.command != "select" && readsNormal(quantity, p_request.hasExpr)) {
        return;
    }
    if (fileQuantity(p_mesh, quantity, p_request.hasExpr) != zev::eVertex) {
        throw UsageError("'" + quantity + "' does not live at the vertices; a cut carries vertex values");
    }
}

namespace {

char const* cutFaceTypeName(int p_k)
{
    switch (p_k) {
    case 3:
        return "TRIANGLE";
    case 4:
        return "QUAD";
    case 5:
        return "PENTAGON";
    case 6:
        return "HEXAGON";
    default:
        return "POLYGON";
    }
}

zev::ShapeType cutFaceType(int p_k)
{
    switch (p_k) {
    case 3:
        return zev::TRI;
    case 4:
        return zev::QUAD;
    case 5:
        return zev::PENTAGON;
    case 6:
        return zev::HEXAGON;
    default:
        return zev::POLYGON;
    }
}

// The area vector of the polygon of p_count ids (in double, about its first corner) and its longest side.
void polygonSize(zev::TripletZEVVector const& p_vertices, int const* p_ids, int p_count, double p_area[3],
                 double& p_longest)
{
    p_area[0] = p_area[1] = p_area[2] = 0;
    p_longest = 0;
    zev::Triplet const& o = p_vertices[static_cast<std::size_t>(p_ids[0])];
    auto at = [&](int p_i, int p_c) {
        return double(p_vertices[static_cast<std::size_t>(p_ids[p_i % p_count])][p_c]) - o[p_c];
    };
    for (int i = 0; i < p_count; ++i) {
        double const a[3] = {at(i, 0), at(i, 1), at(i, 2)};
        double const b[3] = {at(i + 1, 0), at(i + 1, 1), at(i + 1, 2)};
        p_area[0] += 0.5 * (a[1] * b[2] - a[2] * b[1]);
        p_area[1] += 0.5 * (a[2] * b[0] - a[0] * b[2]);
        p_area[2] += 0.5 * (a[0] * b[1] - a[1] * b[0]);
        p_longest =
            std::max(p_longest, std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                                          (b[2] - a[2]) * (b[2] - a[2])));
    }
}

// Below single precision's resolution of its own size: no area to show.
bool degenerate(zev::TripletZEVVector const& p_vertices, int const* p_ids, int p_count)
{
    double area[3], longest = 0;
    polygonSize(p_vertices, p_ids, p_count, area, longest);
    double const a = std::sqrt(area[0] * area[0] + area[1] * area[1] + area[2] * area[2]);
    return !(a > std::numeric_limits<float>::epsilon() * longest * longest);
}

// The boundary faces of p_domain in the plane whose element has no vertex above it, as lists of domain
// vertex ids: the cut made nothing of them.
std::vector<std::vector<int>> boundaryFacesBelowPlane(zev::Geometry& p_domain, CutPlane const& p_plane)
{
    zev::TripletZEVVector const& vertices = std::as_const(p_domain).getVertices();
    auto value = [&](int p_id) { return p_plane.normal.dot(vertices[static_cast<std::size_t>(p_id)]); };
    std::vector<std::vector<int>> inPlane;
    // Most planes hold no face: they are passed without finding the boundary.
    std::size_t onPlane = 0;
    for (std::size_t v = 0; v < vertices.size() && onPlane < 3; ++v) {
        onPlane += p_plane.normal.dot(vertices[v]) == p_plane.d ? 1 : 0;
    }
    if (onPlane < 3) {
        return inPlane;
    }
    for (std::string const& name : buildBoundary(p_domain)) {
        zev::ShapeSet const& set = *std::as_const(p_domain).getFaceSet(name);
        for (std::size_t f = 0; f < set.size(); ++f) {
            zev::Shape const& face = set[f];
            std::vector<int> ids;
            for (int k = 0; k < face.getNumVertices(); ++k) {
                ids.push_back(face[k]);
            }
            if (std::all_of(ids.begin(), ids.end(), [&](int p_id) { return value(p_id) == p_plane.d; })) {
                inPlane.push_back(std::move(ids));
            }
        }
    }
    if (inPlane.empty()) {
        return inPlane;
    }
    // The faces by their smallest vertex, to be found from the elements' vertices on the plane.
    std::multimap<int, std::size_t> byVertex;
    for (std::size_t f = 0; f < inPlane.size(); ++f) {
        byVertex.emplace(*std::min_element(inPlane[f].begin(), inPlane[f].end()), f);
    }
    std::vector<char> taken(inPlane.size(), 0);
    std::vector<std::vector<int>> out;
    std::vector<int> on;
    for (int s = 0; s < std::as_const(p_domain).getNumElementSets(); ++s) {
        zev::ShapeSet const& set = *std::as_const(p_domain).getElementSet(s);
        for (std::size_t e = 0; e < set.size(); ++e) {
            zev::Shape const& element = set[e];
            on.clear();
            bool above = false;
            for (int k = 0; k < element.getNumVertices() && !above; ++k) {
                float const v = value(element[k]);
                above = v > p_plane.d;
                if (v == p_plane.d) {
                    on.push_back(element[k]);
                }
            }
            if (above || on.size() < 3) {
                continue;
            }
            std::sort(on.begin(), on.end());
            for (int const v : on) {
                auto const range = byVertex.equal_range(v);
                for (auto it = range.first; it != range.second; ++it) {
                    std::vector<int> const& ids = inPlane[it->second];
                    bool const ofElement = std::all_of(ids.begin(), ids.end(), [&](int p_id) {
                        return std::binary_search(on.begin(), on.end(), p_id);
                    });
                    if (ofElement && !taken[it->second]) {
                        taken[it->second] = 1;
                        out.push_back(ids);
                    }
                }
            }
        }
    }
    return out;
}

} // namespace

void tidyCut(zev::Geometry& p_surface, zev::Geometry& p_domain, CutPlane const* p_plane)
{
    zev::TripletZEVVector& vertices = p_surface.getVertices();
    std::map<int, std::vector<int>> faces; // by vertex count: the ids of each face, face after face
    double correction = 1.0;
    bool changed = false;
    std::vector<std::string> const names = p_surface.getFaceSetNames();
    std::vector<int> ids;
    for (std::string const& name : names) {
        zev::ShapeSet const& set = *std::as_const(p_surface).getFaceSet(name);
        correction = set.getCorrectionFactor();
        for (std::size_t f = 0; f < set.size(); ++f) {
            zev::Shape const& face = set[f];
            ids.assign(static_cast<std::size_t>(face.getNumVertices()), 0);
            for (int k = 0; k < face.getNumVertices(); ++k) {
                ids[static_cast<std::size_t>(k)] = face[k];
            }
            if (ids.size() < 3 || degenerate(vertices, ids.data(), static_cast<int>(ids.size()))) {
                changed = true;
                continue;
            }
            std::vector<int>& list = faces[static_cast<int>(ids.size())];
            list.insert(list.end(), ids.begin(), ids.end());
        }
    }
    auto* const edges = dynamic_cast<zev::EdgeInterpolant*>(p_surface.getEdgeInterpolant());
    if (p_plane != nullptr && edges != nullptr) {
        // The added faces lie on domain vertices; each gets one surface vertex, whose edge record is the
        // domain vertex with weight 1, and faces towards the normal as the cut's own do.
        std::map<int, int> surfaceVertex;
        zev::TripletZEVVector const& domainVertices = std::as_const(p_domain).getVertices();
        for (std::vector<int> face : boundaryFacesBelowPlane(p_domain, *p_plane)) {
            for (int& id : face) {
                auto const [it, added] = surfaceVertex.emplace(id, p_surface.getNumVertices());
                if (added) {
                    vertices.push_back(domainVertices[static_cast<std::size_t>(id)]);
                    edges->pushVertex(id, id, 1.0f);
                }
                id = it->second;
            }
            double area[3], longest = 0;
            polygonSize(vertices, face.data(), static_cast<int>(face.size()), area, longest);
            if (area[0] * p_plane->normal[0] + area[1] * p_plane->normal[1] + area[2] * p_plane->normal[2] <
                0) {
                std::reverse(face.begin() + 1, face.end());
            }
            std::vector<int>& list = faces[static_cast<int>(face.size())];
            list.insert(list.end(), face.begin(), face.end());
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    for (std::string const& name : names) {
        p_surface.removeFaceSet(name);
    }
    // The sets again as the cut names them; polygons of seven corners or more share one set.
    std::map<std::string, std::pair<int, std::vector<std::pair<int, int const*>>>> sets;
    for (auto const& [k, list] : faces) {
        auto& entry = sets[cutFaceTypeName(k)];
        entry.first = static_cast<int>(cutFaceType(k));
        for (std::size_t at = 0; at < list.size(); at += static_cast<std::size_t>(k)) {
            entry.second.emplace_back(k, list.data() + at);
        }
    }
    for (auto const& [typeName, entry] : sets) {
        zev::ShapeSet* set = p_surface.addFaceSet(p_surface.getName() + ":" + typeName,
                                                  static_cast<zev::ShapeType>(entry.first),
                                                  static_cast<int>(entry.second.size()), correction);
        for (std::size_t f = 0; f < entry.second.size(); ++f) {
            zev::Shape& face = (*set)[f];
            int const k = entry.second[f].first;
            if (entry.first == zev::POLYGON) {
                face.setNumVertices(k);
            }
            for (int c = 0; c < k; ++c) {
                face[c] = entry.second[f].second[c];
            }
        }
    }
    // The element-to-face records no longer match the faces; the edge records still match the vertices.
    if (edges != nullptr) {
        p_surface.setInterpolant(edges);
    }
}

std::vector<MeshVariable> carryOntoCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface)
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
    if ((p_request.hasVar || p_request.hasExpr) &&
        readsNormal(p_request.hasVar ? p_request.var : p_request.expr, p_request.hasExpr)) {
        evaluateOnSurface(p_surface, p_request.hasVar ? p_request.var : p_request.expr, p_request.hasExpr,
                          [&pointVariables](std::string const& p_name) -> zev::Variable const* {
                              for (MeshVariable const& mv : pointVariables) {
                                  if (mv.name == p_name) {
                                      return mv.variable.get();
                                  }
                              }
                              return nullptr;
                          });
    } else if (p_request.hasVar || p_request.hasExpr) {
        std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
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

CutFigures cutFigures(Request const& p_request, zev::Geometry& p_surface)
{
    CutFigures f;
    std::vector<std::string> const sets = p_surface.getFaceSetNames();
    f.sets = setRows(p_surface, false);
    for (SetRow const& r : f.sets) {
        f.count += r.count;
    }
    f.vertices = p_surface.getNumVertices();
    f.measure = areaMeasures(p_surface, sets).total;
    bool const hasQuantity = p_request.hasVar || p_request.hasExpr;
    zev::AreaVisitor visitor(p_request.hasVar ? p_request.var : p_request.expr);
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

bool quantityReport(Request const& p_request, CutFigures const& p_figures, QuantityReport& p_report)
{
    if (!p_request.hasVar && !p_request.hasExpr) {
        return false;
    }
    CutFigures const& f = p_figures;
    p_report.kind = p_request.hasVar ? "variable" : "expression";
    p_report.name = p_request.hasVar ? &p_request.var : &p_request.expr;
    p_report.average = averageOf(f.valid, f.integral, f.denominator);
    p_report.averageDefined = f.valid && f.denominator != 0 && p_report.average != double(zev::ZEV_UNDEF) &&
                              std::isfinite(p_report.average);
    return true;
}

} // namespace

void addQuantity(Request const& p_request, CutFigures const& p_figures, Json& p_doc)
{
    QuantityReport q;
    if (quantityReport(p_request, p_figures, q)) {
        p_doc[q.kind] = *q.name;
        p_doc["integral"] = p_figures.valid ? jsonNumber(p_figures.integral) : Json(nullptr);
        p_doc["average"] = q.averageDefined ? jsonNumber(q.average) : Json(nullptr);
    }
    auto const flux = p_request.values.find("--flux");
    if (p_figures.hasFlux && flux != p_request.values.end()) {
        p_doc["vector"] = flux->second.front();
        p_doc["flux"] = p_figures.fluxValid ? jsonNumber(p_figures.flux) : Json(nullptr);
    }
}

void addQuantity(Request const& p_request, CutFigures const& p_figures, Table& p_table)
{
    QuantityReport q;
    if (quantityReport(p_request, p_figures, q)) {
        p_table.row(q.kind, terminalSafe(*q.name) + " (vertex)");
        p_table.row("integral", p_figures.valid ? number(p_figures.integral, 9) : "undefined");
        p_table.row("average", q.averageDefined ? number(q.average, 9) : "undefined");
    }
    auto const flux = p_request.values.find("--flux");
    if (p_figures.hasFlux && flux != p_request.values.end()) {
        p_table.row("vector", terminalSafe(flux->second.front()) + " (vertex)");
        p_table.row("flux", p_figures.fluxValid ? number(p_figures.flux, 9) : "undefined");
    }
}

void printCut(Request const& p_request, std::string const& p_source,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson,
              CutFigures const& p_figures, std::ostream& p_out)
{
    CutFigures const& f = p_figures;
    if (p_request.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[p_what.first] = p_whatJson;
        if (!p_request.output.empty()) {
            doc["output"] = p_request.output;
        }
        doc["vertices"] = f.vertices;
        doc["faces"] = f.count;
        doc["sets"] = setList(f.sets);
        doc["area"] = jsonNumber(f.measure);
        addQuantity(p_request, f, doc);
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_what.first, terminalSafe(p_what.second));
    if (!p_request.output.empty()) {
        t.row("output", terminalSafe(p_request.output));
    }
    t.row("vertices", std::to_string(f.vertices));
    t.row("faces", std::to_string(f.count));
    addSetRows(t, f.sets);
    t.row("area", number(f.measure));
    addQuantity(p_request, f, t);
    t.print(p_out);
}

int reportCut(Request const& p_request, LoadedMesh& p_mesh, zev::Geometry& p_surface,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson, std::ostream& p_out)
{
    std::vector<MeshVariable> const pointVariables = carryOntoCut(p_request, p_mesh, p_surface);
    if (!p_request.output.empty()) {
        writeMeshFile(cutMeshData(p_surface, pointVariables), p_request.output, writeOptions(p_request));
    }
    CutFigures figures = cutFigures(p_request, p_surface);
    auto const flux = p_request.values.find("--flux");
    if (flux != p_request.values.end() && !flux->second.empty()) {
        Flux const through = cutFlux(p_request, p_mesh, p_surface, pointVariables);
        figures.hasFlux = true;
        figures.fluxValid = through.valid;
        figures.flux = through.flux;
    }
    printCut(p_request, p_mesh.source, p_what, p_whatJson, figures, p_out);
    return 0;
}

} // namespace zev::analysis
