// zevgeom line: where a straight line crosses the boundary surface of a mesh, in order along the line, with
// a variable's value at each crossing, and the stretches of the line inside the cells.
#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/search/LineQueries.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <utility>

namespace zevgeom {

namespace {

// X,Y,Z as three finite numbers.
zev::Triplet parsePoint(std::string const& p_option, std::string const& p_text)
{
    double c[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        std::size_t const end = k < 2 ? p_text.find(',', start) : p_text.size();
        std::string const item = end == std::string::npos ? std::string() : p_text.substr(start, end - start);
        char* stop = nullptr;
        c[k] = item.empty() ? std::nan("") : std::strtod(item.c_str(), &stop);
        bool const whole = !item.empty() && stop != nullptr && *stop == '\0';
        if (!whole || !std::isfinite(c[k]) || std::fabs(c[k]) > std::numeric_limits<float>::max() ||
            (k == 2 && p_text.find(',', start) != std::string::npos)) {
            throw UsageError(p_option + " takes X,Y,Z, not '" + terminalSafe(p_text) + "'");
        }
        start = end + 1;
    }
    return zev::Triplet(static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]));
}

// The value at p_point on a face, linear over the fan triangle (0, k, k + 1) nearest to holding it.
float valueOnFace(zev::Shape const& p_face, zev::TripletZEVVector const& p_vertices,
                  std::vector<float> const& p_values, zev::Triplet const& p_point)
{
    int const n = p_face.getNumVertices();
    double bestOutside = std::numeric_limits<double>::max();
    float best = zev::ZEV_UNDEF;
    for (int k = 1; k + 1 < n; ++k) {
        int const ids[3] = {p_face[0], p_face[k], p_face[k + 1]};
        double a[3], b[3], p[3];
        for (int c = 0; c < 3; ++c) {
            a[c] = double(p_vertices[ids[1]][c]) - p_vertices[ids[0]][c];
            b[c] = double(p_vertices[ids[2]][c]) - p_vertices[ids[0]][c];
            p[c] = double(p_point[c]) - p_vertices[ids[0]][c];
        }
        double const aa = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
        double const bb = b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
        double const ab = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
        double const pa = p[0] * a[0] + p[1] * a[1] + p[2] * a[2];
        double const pb = p[0] * b[0] + p[1] * b[1] + p[2] * b[2];
        double const det = aa * bb - ab * ab;
        if (!(det > 0)) {
            continue;
        }
        double const w1 = (pa * bb - pb * ab) / det;
        double const w2 = (pb * aa - pa * ab) / det;
        double const w[3] = {1 - w1 - w2, w1, w2};
        double const outside = std::max(0.0, -std::min(w[0], std::min(w[1], w[2])));
        if (outside >= bestOutside) {
            continue;
        }
        bestOutside = outside;
        double sum = 0;
        bool defined = true;
        for (int c = 0; c < 3; ++c) {
            std::size_t const id = static_cast<std::size_t>(ids[c]);
            float const v = id < p_values.size() ? p_values[id] : zev::ZEV_UNDEF;
            defined = defined && v != zev::ZEV_UNDEF && std::isfinite(v);
            sum += w[c] * v;
        }
        best = defined ? static_cast<float>(sum) : zev::ZEV_UNDEF;
    }
    return best;
}

// A single-precision value as the shortest decimal that reads back as the same float, so that 0.3f is
// written 0.3 rather than 0.30000001192092896.
Json jsonFloat(float p_value)
{
    if (!std::isfinite(p_value) || p_value == zev::ZEV_UNDEF) {
        return nullptr;
    }
    for (int digits = 6; digits < 9; ++digits) {
        double const shortest = std::strtod(number(p_value, digits).c_str(), nullptr);
        if (static_cast<float>(shortest) == p_value) {
            return shortest;
        }
    }
    return std::strtod(number(p_value, 9).c_str(), nullptr);
}

Json jsonPoint(zev::Triplet const& p_p)
{
    return Json::array({jsonFloat(p_p[0]), jsonFloat(p_p[1]), jsonFloat(p_p[2])});
}

std::string textPoint(zev::Triplet const& p_p)
{
    return number(p_p[0]) + "," + number(p_p[1]) + "," + number(p_p[2]);
}

class LineCommand : public Command {
public:
    char const* name() const override { return "line"; }

    std::string help() const override
    {
        return std::string(
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
               s_commonOptions;
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        m_from.clear();
        m_to.clear();
        declareMesh(p_app, p_options);
        p_app.add_option("--from", m_from);
        p_app.add_option("--to", m_to);
        p_app.add_option("--var", p_options.var);
        p_app.add_option("--expr", p_options.expr);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (m_from.empty() || m_to.empty()) {
            throw UsageError("line needs --from X,Y,Z and --to X,Y,Z");
        }
        m_start = parsePoint("--from", m_from);
        m_end = parsePoint("--to", m_to);
        if (m_start[0] == m_end[0] && m_start[1] == m_end[1] && m_start[2] == m_end[2]) {
            throw UsageError("--from and --to must be different points");
        }
        if (p_options.hasVar && p_options.hasExpr) {
            throw UsageError("line takes at most one of --var NAME and --expr EXPR");
        }
        if ((p_options.hasVar && p_options.var.empty()) || (p_options.hasExpr && p_options.expr.empty())) {
            throw UsageError(p_options.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        LoadedMesh mesh = load(p_options);
        zev::Geometry& g = mesh.geo();
        bool const hasValue = p_options.hasVar || p_options.hasExpr;
        std::string const quantity = p_options.hasVar ? p_options.var : p_options.expr;
        std::vector<float> const values =
            hasValue ? vertexValues(mesh, quantity, p_options.hasExpr) : std::vector<float>();

        zev::Triplet const direction(m_end[0] - m_start[0], m_end[1] - m_start[1], m_end[2] - m_start[2]);
        // The crossings are searched on a surface holding the boundary sets only, so that surface cells a
        // volume mesh also carries do not count twice.
        std::vector<std::string> const sets = buildBoundary(g);
        if (g.getNumElements() > 0) {
            installLocationProvider();
        }
        zev::GeometryAutoPtr surface(
            g.getNumElements() > 0 ? zev::GeometryAPI::instance()->newGeometry("", nullptr) : nullptr);
        zev::Geometry const* searched = &g;
        if (surface.get() != nullptr) {
            surface->getVertices() = std::as_const(g).getVertices();
            for (std::string const& name : sets) {
                surface->insertFaceSet(name, g.getFaceSet(name)->clone());
            }
            searched = surface.get();
        }
        std::vector<zev::LineFaceHit> const hits =
            zev::LineQueries::faceHitsAlongLine(*searched, m_start, direction);
        std::vector<std::pair<double, double>> const stretches =
            g.getNumElements() > 0 ? zev::LineQueries::insideStretches(g, m_start, direction)
                                   : std::vector<std::pair<double, double>>();
        std::vector<float> hitValues;
        for (zev::LineFaceHit const& h : hits) {
            zev::ShapeSet const* set = searched->getFaceSet(h.setName);
            hitValues.push_back(hasValue && set != nullptr
                                    ? valueOnFace((*set)[static_cast<std::size_t>(h.face)],
                                                  searched->getVertices(), values, h.point)
                                    : zev::ZEV_UNDEF);
        }
        double total = 0;
        for (auto const& s : stretches) {
            total += s.second - s.first;
        }
        char const* const label = p_options.hasVar ? "variable" : "expression";

        if (p_options.json) {
            Json doc;
            doc["mesh"] = mesh.source;
            doc["from"] = jsonPoint(m_start);
            doc["to"] = jsonPoint(m_end);
            doc["direction"] = jsonPoint(zev::LineQueries::normalised(direction));
            if (hasValue) {
                doc[label] = quantity;
            }
            Json list = Json::array();
            for (std::size_t i = 0; i < hits.size(); ++i) {
                Json hit;
                hit["set"] = hits[i].setName;
                hit["face"] = hits[i].face;
                hit["t"] = jsonFloat(hits[i].t);
                hit["point"] = jsonPoint(hits[i].point);
                if (hasValue) {
                    hit["value"] = jsonFloat(hitValues[i]);
                }
                list.push_back(hit);
            }
            doc["hits"] = list;
            Json inside = Json::array();
            for (auto const& s : stretches) {
                inside.push_back({{"enter", jsonNumber(s.first)},
                                  {"leave", jsonNumber(s.second)},
                                  {"length", jsonNumber(s.second - s.first)}});
            }
            doc["inside"] = inside;
            doc["length"] = jsonNumber(total);
            printJson(p_out, doc);
            return 0;
        }
        Table t;
        t.row("mesh", terminalSafe(mesh.source));
        t.row("from", textPoint(m_start));
        t.row("to", textPoint(m_end));
        if (hasValue) {
            t.row(label, terminalSafe(quantity));
        }
        t.row("hits", std::to_string(hits.size()));
        t.row("inside",
              std::to_string(stretches.size()) + (stretches.size() == 1 ? " stretch" : " stretches"));
        t.row("length", number(total));
        t.print(p_out);
        if (!hits.empty()) {
            std::vector<std::vector<std::string>> rows;
            rows.push_back({"t", "x", "y", "z", "set", "face"});
            if (hasValue) {
                rows.back().push_back("value");
            }
            for (std::size_t i = 0; i < hits.size(); ++i) {
                zev::Triplet const& p = hits[i].point;
                rows.push_back({number(hits[i].t), number(p[0]), number(p[1]), number(p[2]),
                                terminalSafe(hits[i].setName), std::to_string(hits[i].face)});
                if (hasValue) {
                    rows.back().push_back(
                        number(hitValues[i] == zev::ZEV_UNDEF ? std::nan("") : hitValues[i]));
                }
            }
            p_out << '\n';
            printColumns(p_out, rows);
        }
        if (!stretches.empty()) {
            std::vector<std::vector<std::string>> rows;
            rows.push_back({"enter", "leave", "length"});
            for (auto const& s : stretches) {
                rows.push_back({number(s.first), number(s.second), number(s.second - s.first)});
            }
            p_out << '\n';
            printColumns(p_out, rows);
        }
        return 0;
    }

private:
    // What the parser fills in; the registry keeps one command object, so declare() resets them.
    mutable std::string m_from;
    mutable std::string m_to;
    mutable zev::Triplet m_start;
    mutable zev::Triplet m_end;
};

} // namespace

std::unique_ptr<Command> makeLineCommand()
{
    return std::make_unique<LineCommand>();
}

} // namespace zevgeom
