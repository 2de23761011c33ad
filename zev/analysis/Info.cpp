// The info operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/geometry/Geometry.h"
#include <algorithm>
#include <map>
#include <ostream>
#include <utility>

namespace zev::analysis {

namespace {

std::map<int, std::size_t> perType(std::vector<SetRow> const& p_rows)
{
    std::map<int, std::size_t> counts;
    for (SetRow const& r : p_rows) {
        counts[r.type] += r.count;
    }
    return counts;
}

} // namespace

void measureSets(zev::Geometry const& p_geometry, VolumeMeasures const& p_volumes,
                 std::vector<SetRow>& p_elementSets, std::vector<SetRow>& p_faceSets)
{
    // Per set, as the total counts them: the element volumes run over the sets in name order.
    std::size_t at = 0;
    for (SetRow& r : p_elementSets) {
        r.measure = 0;
        for (std::size_t e = 0; e < r.count && at < p_volumes.elementVolumes.size(); ++e, ++at) {
            r.measure += p_volumes.elementVolumes[at];
        }
    }
    // The face areas once, over the sets in the order listed.
    std::vector<std::string> faceSetNames;
    for (SetRow const& r : p_faceSets) {
        faceSetNames.push_back(r.name);
    }
    AreaMeasures const areas = areaMeasures(p_geometry, faceSetNames);
    at = 0;
    for (SetRow& r : p_faceSets) {
        r.measure = 0;
        for (std::size_t i = 0; i < r.count && at < areas.faceAreas.size(); ++i, ++at) {
            r.measure += areas.faceAreas[at];
        }
    }
}

InfoFigures infoFigures(LoadedMesh& p_mesh, std::ostream* p_err)
{
    zev::Geometry& g = p_mesh.geo();
    InfoFigures f;
    f.source = p_mesh.source;
    f.elementSets = setRows(g, true);
    f.faceSets = setRows(g, false);
    f.elements = static_cast<std::size_t>(g.getNumElements());
    f.faces = static_cast<std::size_t>(g.getNumFaces());
    f.lines = g.getLines().size() / 2;

    auto const& vertices = std::as_const(g).getVertices();
    f.vertices = vertices.size();
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            double const v = vertices[i][a];
            f.lo[a] = i == 0 ? v : std::min(f.lo[a], v);
            f.hi[a] = i == 0 ? v : std::max(f.hi[a], v);
        }
    }
    VolumeMeasures const volumes = volumeMeasures(g);
    if (p_err != nullptr) {
        warnInverted(volumes, *p_err);
    }
    f.volume = volumes.total;
    measureSets(g, volumes, f.elementSets, f.faceSets);
    for (SetRow const& r : f.elementSets) {
        f.elementSetVolumes.push_back(r.measure);
    }
    for (SetRow const& r : f.faceSets) {
        f.faceSetAreas.push_back(r.measure);
    }
    f.inverted = volumes.inverted;
    f.boundaryArea = areaMeasures(g, buildBoundary(g)).total;
    for (MeshVariable const& mv : p_mesh.variables) {
        f.variables.push_back({mv.name, locationName(mv.location), mv.numComponents, valueRange(mv)});
    }
    return f;
}

void printInfo(Request const& p_request, InfoFigures const& p_figures, std::ostream& p_out)
{
    InfoFigures const& f = p_figures;
    if (p_request.json) {
        auto counts = [](std::map<int, std::size_t> const& p_counts) {
            Json c = Json::object();
            for (auto const& entry : p_counts) {
                c[shapeName(entry.first)] = entry.second;
            }
            return c;
        };
        auto sets = [](std::vector<SetRow> const& p_rows, std::vector<double> const& p_measures,
                       char const* p_measure) {
            Json s = Json::array();
            for (std::size_t i = 0; i < p_rows.size(); ++i) {
                SetRow const& r = p_rows[i];
                Json row = {{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}};
                if (!r.label.empty()) {
                    row["label"] = r.label;
                }
                if (p_measures.size() == p_rows.size()) {
                    row[p_measure] = jsonNumber(p_measures[i]);
                }
                s.push_back(row);
            }
            return s;
        };
        Json doc;
        doc["mesh"] = f.source;
        doc["vertices"] = f.vertices;
        doc["elements"] = {{"total", f.elements},
                           {"types", counts(perType(f.elementSets))},
                           {"sets", sets(f.elementSets, f.elementSetVolumes, "volume")}};
        doc["faces"] = {{"total", f.faces},
                        {"types", counts(perType(f.faceSets))},
                        {"sets", sets(f.faceSets, f.faceSetAreas, "area")}};
        doc["lines"] = f.lines;
        doc["boundingBox"] = {{"min", {jsonNumber(f.lo[0]), jsonNumber(f.lo[1]), jsonNumber(f.lo[2])}},
                              {"max", {jsonNumber(f.hi[0]), jsonNumber(f.hi[1]), jsonNumber(f.hi[2])}}};
        doc["volume"] = jsonNumber(f.volume);
        doc["invertedElements"] = f.inverted;
        doc["boundaryArea"] = jsonNumber(f.boundaryArea);
        Json variables = Json::array();
        for (VariableRow const& v : f.variables) {
            ValueRange const& r = v.range;
            variables.push_back({{"name", v.name},
                                 {"location", v.location},
                                 {"components", v.components},
                                 {"min", r.count ? jsonNumber(r.min) : Json(nullptr)},
                                 {"max", r.count ? jsonNumber(r.max) : Json(nullptr)},
                                 {"defined", r.count},
                                 {"values", r.size}});
        }
        doc["variables"] = variables;
        printJson(p_out, doc);
        return;
    }

    Table t;
    t.row("mesh", terminalSafe(f.source));
    t.row("vertices", std::to_string(f.vertices));
    t.row("elements", std::to_string(f.elements));
    for (auto const& c : perType(f.elementSets)) {
        t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
    }
    t.row("faces", std::to_string(f.faces));
    for (auto const& c : perType(f.faceSets)) {
        t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
    }
    t.row("lines", std::to_string(f.lines));
    t.row("bounding box", "(" + number(f.lo[0]) + ", " + number(f.lo[1]) + ", " + number(f.lo[2]) + ") - (" +
                              number(f.hi[0]) + ", " + number(f.hi[1]) + ", " + number(f.hi[2]) + ")");
    t.row("volume", number(f.volume));
    t.row("boundary area", number(f.boundaryArea));
    t.print(p_out);

    if (!f.elementSets.empty() || !f.faceSets.empty()) {
        // The label column (the file's own names of the sets) only where some set has a label.
        bool labels = false;
        for (std::vector<SetRow> const* sets : {&f.elementSets, &f.faceSets}) {
            for (SetRow const& r : *sets) {
                labels = labels || !r.label.empty();
            }
        }
        // The measure columns where every set was measured: volume for element sets, area for face sets.
        bool const volumes = !f.elementSets.empty() && f.elementSetVolumes.size() == f.elementSets.size();
        bool const areas = !f.faceSets.empty() && f.faceSetAreas.size() == f.faceSets.size();
        auto row = [&](SetRow const& p_row, char const* p_kind, double const* p_volume,
                       double const* p_area) {
            std::vector<std::string> cells{terminalSafe(p_row.name)};
            if (labels) {
                cells.push_back(terminalSafe(p_row.label));
            }
            cells.insert(cells.end(), {p_kind, shapeName(p_row.type), std::to_string(p_row.count)});
            if (volumes) {
                cells.push_back(p_volume != nullptr ? number(*p_volume) : "");
            }
            if (areas) {
                cells.push_back(p_area != nullptr ? number(*p_area) : "");
            }
            return cells;
        };
        std::vector<std::vector<std::string>> rows{{"set", "kind", "type", "count"}};
        if (labels) {
            rows.front().insert(rows.front().begin() + 1, "label");
        }
        if (volumes) {
            rows.front().push_back("volume");
        }
        if (areas) {
            rows.front().push_back("area");
        }
        for (std::size_t i = 0; i < f.elementSets.size(); ++i) {
            rows.push_back(
                row(f.elementSets[i], "element", volumes ? &f.elementSetVolumes[i] : nullptr, nullptr));
        }
        for (std::size_t i = 0; i < f.faceSets.size(); ++i) {
            rows.push_back(row(f.faceSets[i], "face", nullptr, areas ? &f.faceSetAreas[i] : nullptr));
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
    if (!f.variables.empty()) {
        std::vector<std::vector<std::string>> rows{{"variable", "location", "components", "min", "max"}};
        for (VariableRow const& v : f.variables) {
            ValueRange const& r = v.range;
            std::string const range = r.count ? "" : "undefined";
            rows.push_back({terminalSafe(v.name), v.location, std::to_string(v.components),
                            r.count ? number(r.min) : range, r.count ? number(r.max) : range});
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
}

} // namespace zev::analysis
