// zevgeom info: the vertices, elements and faces per shape type and per set, the lines, the bounding box,
// the volume, the boundary area and the variables of a mesh.
#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Report.h"
#include "zev/geometry/Geometry.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <ostream>

namespace zevgeom {

namespace {

std::map<int, std::size_t> perType(std::vector<SetRow> const& p_rows)
{
    std::map<int, std::size_t> counts;
    for (SetRow const& r : p_rows) {
        counts[r.type] += r.count;
    }
    return counts;
}

class InfoCommand : public Command {
public:
    char const* name() const override { return "info"; }

    std::string help() const override
    {
        return std::string(
                   "usage: zevgeom info [MESH] [--region NAME] [--json]\n"
                   "\n"
                   "Reports the vertices, the elements and faces per shape type and per set, the lines,\n"
                   "the bounding box, the total volume, the boundary area, and every variable with its\n"
                   "location, components and range (vectors by magnitude).\n"
                   "\n"
                   "options:\n") +
               s_commonOptions;
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override { checkPositionals(p_options, 1); }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        zev::Geometry& g = mesh.geo();
        std::vector<SetRow> const elementSets = setRows(g, true), faceSets = setRows(g, false);
        std::size_t const numElements = static_cast<std::size_t>(g.getNumElements());
        std::size_t const numFaces = static_cast<std::size_t>(g.getNumFaces());
        std::size_t const numLines = g.getLines().size() / 2;

        auto const& vertices = g.getVertices();
        double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            for (int a = 0; a < 3; ++a) {
                double const v = vertices[i][a];
                lo[a] = i == 0 ? v : std::min(lo[a], v);
                hi[a] = i == 0 ? v : std::max(hi[a], v);
            }
        }
        VolumeMeasures const volumes = volumeMeasures(g);
        warnInverted(volumes, p_err);
        double const area = areaMeasures(g, buildBoundary(g)).total;

        if (p_options.json) {
            auto counts = [](std::map<int, std::size_t> const& p_counts) {
                Json c = Json::object();
                for (auto const& entry : p_counts) {
                    c[shapeName(entry.first)] = entry.second;
                }
                return c;
            };
            auto sets = [](std::vector<SetRow> const& p_rows) {
                Json s = Json::array();
                for (SetRow const& r : p_rows) {
                    s.push_back({{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}});
                }
                return s;
            };
            Json doc;
            doc["mesh"] = mesh.source;
            doc["vertices"] = vertices.size();
            doc["elements"] = {
                {"total", numElements}, {"types", counts(perType(elementSets))}, {"sets", sets(elementSets)}};
            doc["faces"] = {
                {"total", numFaces}, {"types", counts(perType(faceSets))}, {"sets", sets(faceSets)}};
            doc["lines"] = numLines;
            doc["boundingBox"] = {{"min", {jsonNumber(lo[0]), jsonNumber(lo[1]), jsonNumber(lo[2])}},
                                  {"max", {jsonNumber(hi[0]), jsonNumber(hi[1]), jsonNumber(hi[2])}}};
            doc["volume"] = jsonNumber(volumes.total);
            doc["invertedElements"] = volumes.inverted;
            doc["boundaryArea"] = jsonNumber(area);
            Json variables = Json::array();
            for (MeshVariable const& mv : mesh.variables) {
                ValueRange const r = valueRange(mv);
                variables.push_back({{"name", mv.name},
                                     {"location", locationName(mv.location)},
                                     {"components", mv.numComponents},
                                     {"min", r.count ? jsonNumber(r.min) : Json(nullptr)},
                                     {"max", r.count ? jsonNumber(r.max) : Json(nullptr)},
                                     {"defined", r.count},
                                     {"values", r.size}});
            }
            doc["variables"] = variables;
            printJson(p_out, doc);
            return 0;
        }

        Table t;
        t.row("mesh", terminalSafe(mesh.source));
        t.row("vertices", std::to_string(vertices.size()));
        t.row("elements", std::to_string(numElements));
        for (auto const& c : perType(elementSets)) {
            t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
        }
        t.row("faces", std::to_string(numFaces));
        for (auto const& c : perType(faceSets)) {
            t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
        }
        t.row("lines", std::to_string(numLines));
        t.row("bounding box", "(" + number(lo[0]) + ", " + number(lo[1]) + ", " + number(lo[2]) + ") - (" +
                                  number(hi[0]) + ", " + number(hi[1]) + ", " + number(hi[2]) + ")");
        t.row("volume", number(volumes.total));
        t.row("boundary area", number(area));
        t.print(p_out);

        if (!elementSets.empty() || !faceSets.empty()) {
            std::vector<std::vector<std::string>> rows{{"set", "kind", "type", "count"}};
            for (SetRow const& r : elementSets) {
                rows.push_back({terminalSafe(r.name), "element", shapeName(r.type), std::to_string(r.count)});
            }
            for (SetRow const& r : faceSets) {
                rows.push_back({terminalSafe(r.name), "face", shapeName(r.type), std::to_string(r.count)});
            }
            p_out << '\n';
            printColumns(p_out, rows);
        }
        if (!mesh.variables.empty()) {
            std::vector<std::vector<std::string>> rows{{"variable", "location", "components", "min", "max"}};
            for (MeshVariable const& mv : mesh.variables) {
                ValueRange const r = valueRange(mv);
                std::string const range = r.count ? "" : "undefined";
                rows.push_back({terminalSafe(mv.name), locationName(mv.location),
                                std::to_string(mv.numComponents), r.count ? number(r.min) : range,
                                r.count ? number(r.max) : range});
            }
            p_out << '\n';
            printColumns(p_out, rows);
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeInfoCommand()
{
    return std::make_unique<InfoCommand>();
}

} // namespace zevgeom
