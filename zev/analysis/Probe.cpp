// The probe operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FileAccess.h"
#include "zev/search/PointLocator.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"
#include <array>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string_view>

namespace zev::analysis {

namespace {

std::string trimmed(std::string const& p_text)
{
    std::size_t const first = p_text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return std::string();
    }
    return p_text.substr(first, p_text.find_last_not_of(" \t\r") - first + 1);
}

// Reads "X,Y,Z": three finite numbers, nothing else. False when the text is not such a point.
} // namespace

bool parsePoint(std::string const& p_text, Point& p_point)
{
    Point coordinates;
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        std::size_t const comma = p_text.find(',', start);
        if ((k < 2) == (comma == std::string::npos)) {
            return false;
        }
        std::string const field = trimmed(p_text.substr(start, k < 2 ? comma - start : std::string::npos));
        char* end = nullptr;
        coordinates[k] = std::strtod(field.c_str(), &end);
        if (field.empty() || *end != '\0' || !std::isfinite(coordinates[k])) {
            return false;
        }
        start = comma + 1;
    }
    p_point = coordinates;
    return true;
}

// The points of a CSV file: x,y,z per line; blank lines and text after '#' are skipped. The file must be
// a regular file, as a mesh file must: a device or a pipe could feed the reader for ever.
namespace {

std::vector<Point> readPoints(std::string const& p_path)
{
    std::string const data = readRegularFile(p_path, nullptr, "a points file");
    std::vector<Point> points;
    std::size_t number = 1;
    for (std::size_t start = 0; start < data.size(); ++number) {
        std::size_t end = data.find('\n', start);
        if (end == std::string::npos) {
            end = data.size();
        }
        std::string_view const line(data.data() + start, end - start);
        start = end + 1;
        std::string const text = trimmed(std::string(line.substr(0, line.find('#'))));
        if (text.empty()) {
            continue;
        }
        Point point;
        if (!parsePoint(text, point)) {
            throw FormatError(p_path, number, FormatError::s_noOffset,
                              "expected x,y,z, found '" + terminalSafe(excerpt(text)) + "'");
        }
        points.push_back(point);
    }
    return points;
}

} // namespace

std::vector<Point> probePoints(Request const& p_request)
{
    std::vector<Point> points;
    if (auto const& file = p_request.values.at("--points"); !file.empty()) {
        points = readPoints(file.front());
    }
    for (std::string const& text : p_request.values.at("--at")) {
        parsePoint(text, points.emplace_back());
    }
    return points;
}

std::vector<Probe> probeGeometry(zev::Geometry& p_geometry, std::vector<Point> const& p_points,
                                 std::string const& p_quantity, zev::VarLocation p_location)
{
    zev::Variable const* variable = p_geometry.findVariable(p_quantity, p_location);
    if (variable == nullptr) {
        throw UsageError("no values of '" + p_quantity + "'");
    }
    // Element values are concatenated over the sets in name order; each set's values start at its offset.
    std::map<std::string, std::size_t> offsets;
    std::size_t offset = 0;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        offsets[name] = offset;
        offset += p_geometry.getElementSet(name)->size();
    }
    zev::FloatZEVVector const& values = variable->getFloatValues(
        zev::Variable::Description(zev::eUnknown, p_location, zev::Variable::s_allSetName));
    std::vector<Probe> out;
    out.reserve(p_points.size());
    for (Point const& point : p_points) {
        Probe& p = out.emplace_back();
        p.point = point;
        zev::Triplet const where(point[0], point[1], point[2]);
        zev::PointLocation const at =
            zev::PointLocator::locate(p_geometry, where, zev::Geometry::SearchDomain, true);
        zev::ShapeSet const* set =
            at.m_element.isValid() ? p_geometry.getElementSet(at.m_element.getSetIndex()) : nullptr;
        if (set == nullptr) {
            continue;
        }
        p.set = zev::Geometry::getElementSetName(at.m_element.getSetIndex());
        p.element = at.m_element.getShapeIndex();
        if (p_location == zev::eVertex) {
            p.value = zev::PointLocator::interpolate(at.m_weights, values);
        } else {
            std::size_t const k = offsets[p.set] + static_cast<std::size_t>(p.element);
            p.value = k < values.size() ? values[k] : zev::ZEV_UNDEF;
        }
        if (!std::isfinite(p.value)) {
            p.value = zev::ZEV_UNDEF;
        }
    }
    return out;
}

std::vector<float> probeVertexValues(zev::Geometry& p_geometry, double const* p_points, std::size_t p_count,
                                     float const* p_values, std::size_t p_vertices, int p_components)
{
    std::size_t const width = static_cast<std::size_t>(p_components);
    std::vector<float> out(p_count * width, zev::ZEV_UNDEF);
    for (std::size_t i = 0; i < p_count; ++i) {
        double const* p = p_points + 3 * i;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            continue;
        }
        zev::Triplet const where(static_cast<float>(p[0]), static_cast<float>(p[1]),
                                 static_cast<float>(p[2]));
        zev::PointLocation const at =
            zev::PointLocator::locate(p_geometry, where, zev::Geometry::SearchDomain, true);
        if (!at.found()) {
            continue;
        }
        for (std::size_t c = 0; c < width; ++c) {
            float const value = zev::PointLocator::interpolate(at.m_weights, p_values, p_vertices, width, c);
            out[i * width + c] = std::isfinite(value) ? value : zev::ZEV_UNDEF;
        }
    }
    return out;
}

void printProbes(Request const& p_request, std::string const& p_source, std::string const& p_location,
                 std::vector<Probe> const& p_probes, std::ostream& p_out)
{
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    char const* const kind = p_request.hasVar ? "variable" : "expression";
    if (p_request.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[kind] = quantity;
        doc["location"] = p_location;
        Json& list = doc["points"] = Json::array();
        for (Probe const& p : p_probes) {
            Json row;
            row["x"] = p.point[0];
            row["y"] = p.point[1];
            row["z"] = p.point[2];
            row["inside"] = !p.set.empty();
            row["set"] = p.set.empty() ? Json(nullptr) : Json(p.set);
            row["element"] = p.set.empty() ? Json(nullptr) : Json(p.element);
            row["value"] = jsonNumber(p.value);
            list.push_back(std::move(row));
        }
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(kind, terminalSafe(quantity) + " (" + p_location + ")");
    t.print(p_out);
    p_out << '\n';
    std::vector<std::vector<std::string>> rows{{"x", "y", "z", "value", "set", "element"}};
    for (Probe const& p : p_probes) {
        bool const inside = !p.set.empty();
        rows.push_back({number(p.point[0]), number(p.point[1]), number(p.point[2]),
                        p.value == double(zev::ZEV_UNDEF) ? "undefined" : number(p.value, 9),
                        inside ? terminalSafe(p.set) : "outside", inside ? std::to_string(p.element) : "-"});
    }
    printColumns(p_out, rows);
}

} // namespace zev::analysis
