// The line operation.
#include "zev/analysis/Line.h"

#include "zev/analysis/Measures.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <utility>

namespace zev::analysis {

namespace {

// X,Y,Z as three finite numbers.
zev::Triplet parseLinePoint(std::string const& p_option, std::string const& p_text,
                            std::array<double, 3>& p_point)
{
    double* const c = p_point.data();
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

// Where the line's face tests start from. The tests run in single precision from a point on the line, so a
// point far from the mesh (1e8 away) leaves too few digits for the crossings; a line whose --from lies
// more than a hundred diagonals off the mesh's box is started instead where it enters the box (widened by
// a tenth of its diagonal), found in double, and its parameters are shifted back by the distance to there.
struct LineStart {
    zev::Triplet point, direction;             // direction is a unit vector
    zev::LinePoint exactPoint, exactDirection; // the same in double precision
    double shift = 0;                          // --from to point, along direction
    bool missesBox = false;
};

LineStart lineStart(zev::TripletZEVVector const& p_vertices, std::array<double, 3> const& p_from,
                    std::array<double, 3> const& p_to)
{
    double u[3] = {p_to[0] - p_from[0], p_to[1] - p_from[1], p_to[2] - p_from[2]};
    double const scale = std::max({std::abs(u[0]), std::abs(u[1]), std::abs(u[2])});
    double const length =
        scale * std::sqrt((u[0] / scale) * (u[0] / scale) + (u[1] / scale) * (u[1] / scale) +
                          (u[2] / scale) * (u[2] / scale));
    for (double& c : u) {
        c /= length;
    }
    LineStart s;
    s.direction = zev::Triplet(static_cast<float>(u[0]), static_cast<float>(u[1]), static_cast<float>(u[2]));
    s.point = zev::Triplet(static_cast<float>(p_from[0]), static_cast<float>(p_from[1]),
                           static_cast<float>(p_from[2]));
    s.exactPoint = p_from;
    s.exactDirection = {u[0], u[1], u[2]};
    if (p_vertices.empty()) {
        return s;
    }
    double lo[3], hi[3];
    for (int c = 0; c < 3; ++c) {
        lo[c] = hi[c] = p_vertices[0][c];
    }
    for (std::size_t i = 1; i < p_vertices.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], double(p_vertices[i][c]));
            hi[c] = std::max(hi[c], double(p_vertices[i][c]));
        }
    }
    double const diagonal = std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                                      (hi[2] - lo[2]) * (hi[2] - lo[2]));
    double const pad =
        0.1 * diagonal + 1e-6 * std::max({std::abs(lo[0]), std::abs(lo[1]), std::abs(lo[2]), std::abs(hi[0]),
                                          std::abs(hi[1]), std::abs(hi[2]), 1.0});
    bool near = true;
    double enter = -std::numeric_limits<double>::infinity(), leave = std::numeric_limits<double>::infinity();
    for (int c = 0; c < 3; ++c) {
        double const a = lo[c] - pad, b = hi[c] + pad;
        near = near && p_from[c] >= lo[c] - 100 * diagonal - pad && p_from[c] <= hi[c] + 100 * diagonal + pad;
        if (u[c] == 0) {
            if (p_from[c] < a || p_from[c] > b) {
                s.missesBox = true;
            }
            continue;
        }
        double const ta = (a - p_from[c]) / u[c], tb = (b - p_from[c]) / u[c];
        enter = std::max(enter, std::min(ta, tb));
        leave = std::min(leave, std::max(ta, tb));
    }
    if (near) {
        s.missesBox = false;
        return s;
    }
    s.missesBox = s.missesBox || !(enter <= leave);
    if (!s.missesBox) {
        s.shift = enter;
        s.exactPoint = {p_from[0] + enter * u[0], p_from[1] + enter * u[1], p_from[2] + enter * u[2]};
        s.point = zev::Triplet(static_cast<float>(p_from[0] + enter * u[0]),
                               static_cast<float>(p_from[1] + enter * u[1]),
                               static_cast<float>(p_from[2] + enter * u[2]));
    }
    return s;
}

// The single value of a request's option, or empty when it is not given.
std::string optionValue(Request const& p_request, std::string const& p_option)
{
    auto const found = p_request.values.find(p_option);
    return found == p_request.values.end() || found->second.empty() ? std::string() : found->second.back();
}

} // namespace

LineOptions lineOptions(Request const& p_request)
{
    std::string const from = optionValue(p_request, "--from");
    std::string const to = optionValue(p_request, "--to");
    if (from.empty() || to.empty()) {
        throw UsageError("line needs --from X,Y,Z and --to X,Y,Z");
    }
    LineOptions line;
    line.fromPoint = parseLinePoint("--from", from, line.from);
    line.toPoint = parseLinePoint("--to", to, line.to);
    if (line.fromPoint[0] == line.toPoint[0] && line.fromPoint[1] == line.toPoint[1] &&
        line.fromPoint[2] == line.toPoint[2]) {
        throw UsageError("--from and --to must be different points");
    }
    return line;
}

LineResult line(LoadedMesh& p_mesh, LineOptions const& p_line, std::string const& p_quantity,
                bool p_isExpression)
{
    LineResult result;
    result.source = p_mesh.source;
    result.line = p_line;
    result.quantity = p_quantity;
    result.isExpression = p_isExpression;
    zev::Geometry& g = p_mesh.geo();
    bool const hasValue = !p_quantity.empty();
    std::vector<float> const values =
        hasValue ? vertexValues(p_mesh, p_quantity, p_isExpression) : std::vector<float>();

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
    LineStart const start = lineStart(std::as_const(g).getVertices(), p_line.from, p_line.to);
    result.direction = start.direction;
    result.shift = start.shift;
    if (!start.missesBox) {
        result.hits = zev::LineQueries::faceHitsAlongLine(*searched, start.exactPoint, start.exactDirection);
    }
    // The chords run between the crossings: the line passes between inside and outside only there.
    std::vector<double> crossings;
    for (zev::LineFaceHit const& h : result.hits) {
        crossings.push_back(h.exactT);
    }
    if (g.getNumElements() > 0 && !start.missesBox) {
        result.chords =
            zev::LineQueries::chordsBetweenCrossings(g, crossings, start.exactPoint, start.exactDirection);
    }
    // Parameters from --from: the library's from the start point, shifted back in double.
    for (zev::LineFaceHit const& h : result.hits) {
        result.hitT.push_back(start.shift + h.exactT);
    }
    for (auto& chord : result.chords) {
        result.lengths.push_back(chord.second - chord.first);
        result.length += chord.second - chord.first;
        chord.first += start.shift;
        chord.second += start.shift;
    }
    for (zev::LineFaceHit const& h : result.hits) {
        zev::ShapeSet const* set = searched->getFaceSet(h.setName);
        result.hitValues.push_back(hasValue && set != nullptr
                                       ? valueOnFace((*set)[static_cast<std::size_t>(h.face)],
                                                     searched->getVertices(), values, h.point)
                                       : zev::ZEV_UNDEF);
    }
    return result;
}

LineResult line(LoadedMesh& p_mesh, Request const& p_request)
{
    bool const hasValue = p_request.hasVar || p_request.hasExpr;
    std::string const quantity = !hasValue          ? std::string()
                                 : p_request.hasVar ? p_request.var
                                                    : p_request.expr;
    return line(p_mesh, lineOptions(p_request), quantity, p_request.hasExpr);
}

void printLine(Request const& p_request, LineResult const& p_result, std::ostream& p_out)
{
    bool const hasValue = !p_result.quantity.empty();
    char const* const label = p_result.isExpression ? "expression" : "variable";
    std::vector<zev::LineFaceHit> const& hits = p_result.hits;
    std::vector<std::pair<double, double>> const& chords = p_result.chords;

    if (p_request.json) {
        Json doc;
        doc["mesh"] = p_result.source;
        doc["from"] = jsonPoint(p_result.line.fromPoint);
        doc["to"] = jsonPoint(p_result.line.toPoint);
        doc["direction"] = jsonPoint(p_result.direction);
        if (hasValue) {
            doc[label] = p_result.quantity;
        }
        Json list = Json::array();
        for (std::size_t i = 0; i < hits.size(); ++i) {
            Json hit;
            hit["set"] = hits[i].setName;
            hit["face"] = hits[i].face;
            hit["t"] = p_result.shift == 0 ? jsonFloat(hits[i].t) : jsonNumber(p_result.hitT[i]);
            hit["point"] = jsonPoint(hits[i].point);
            if (hasValue) {
                hit["value"] = jsonFloat(p_result.hitValues[i]);
            }
            list.push_back(hit);
        }
        doc["hits"] = list;
        Json inside = Json::array();
        for (std::size_t i = 0; i < chords.size(); ++i) {
            inside.push_back({{"enter", jsonNumber(chords[i].first)},
                              {"leave", jsonNumber(chords[i].second)},
                              {"length", jsonNumber(p_result.lengths[i])}});
        }
        doc["inside"] = inside;
        doc["length"] = jsonNumber(p_result.length);
        printJson(p_out, doc);
        return;
    }
    // Parameters from a far --from need the digits that tell the crossings apart.
    int const digits = p_result.shift == 0 ? 6 : 12;
    Table t;
    t.row("mesh", terminalSafe(p_result.source));
    t.row("from", textPoint(p_result.line.fromPoint));
    t.row("to", textPoint(p_result.line.toPoint));
    if (hasValue) {
        t.row(label, terminalSafe(p_result.quantity));
    }
    t.row("hits", std::to_string(hits.size()));
    t.row("inside", std::to_string(chords.size()) + (chords.size() == 1 ? " stretch" : " stretches"));
    t.row("length", number(p_result.length));
    t.print(p_out);
    if (!hits.empty()) {
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"t", "x", "y", "z", "set", "face"});
        if (hasValue) {
            rows.back().push_back("value");
        }
        for (std::size_t i = 0; i < hits.size(); ++i) {
            zev::Triplet const& p = hits[i].point;
            rows.push_back({number(p_result.hitT[i], digits), number(p[0]), number(p[1]), number(p[2]),
                            terminalSafe(hits[i].setName), std::to_string(hits[i].face)});
            if (hasValue) {
                float const v = p_result.hitValues[i];
                rows.back().push_back(number(v == zev::ZEV_UNDEF ? std::nan("") : v));
            }
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
    if (!chords.empty()) {
        std::vector<std::vector<std::string>> rows;
        rows.push_back({"enter", "leave", "length"});
        for (std::size_t i = 0; i < chords.size(); ++i) {
            rows.push_back({number(chords[i].first, digits), number(chords[i].second, digits),
                            number(p_result.lengths[i])});
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
}

} // namespace zev::analysis
