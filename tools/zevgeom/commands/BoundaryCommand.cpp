// zevgeom boundary: writes the boundary surface of the volume cells with the point variables.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Report.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zevgeom {

namespace {

class BoundaryCommand : public Command {
public:
    BoundaryCommand()
        : Command("boundary",
                  std::string(
                      "usage: zevgeom boundary [MESH] -o OUT.vtk [--binary] [--region NAME] [--json]\n"
                      "\n"
                      "Writes the boundary surface of the volume cells (the faces no two cells share) with\n"
                      "the point variables carried over. A mesh without volume cells writes its own\n"
                      "surface.\n"
                      "\n"
                      "options:\n"
                      "  -o, --output OUT  the file to write\n"
                      "  --binary          write BINARY data instead of ASCII\n") +
                      s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        declareOutput(p_app, p_options);
        declareRegion(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (p_options.output.empty()) {
            throw UsageError("boundary needs -o OUT.vtk");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        LoadedMesh mesh = load(p_options);
        zev::Geometry& g = mesh.geo();
        std::vector<std::string> const sets = buildBoundary(g);
        ExportSelection selection;
        selection.elements = false;
        selection.lines = false;
        selection.allFaceSets = false;
        selection.faceSets = sets;
        selection.compactVertices = true;
        // Only the point variables follow the boundary: element data has no value on a face.
        std::vector<MeshVariable> pointVariables;
        for (MeshVariable& mv : mesh.variables) {
            if (mv.location == zev::eVertex) {
                pointVariables.push_back(std::move(mv));
            }
        }
        MeshData const surface = fromLibrary(g, pointVariables, selection);
        writeOutput(surface, p_options);
        double const area = areaMeasures(g, sets).total;
        std::vector<SetRow> rows;
        for (std::string const& name : sets) {
            if (zev::ShapeSet const* set = g.getFaceSet(name)) {
                rows.push_back({name, static_cast<int>(set->getType()), set->size(), set->getLabel()});
            }
        }
        if (p_options.json) {
            Json doc;
            doc["mesh"] = mesh.source;
            doc["output"] = p_options.output;
            doc["vertices"] = surface.numPoints();
            doc["faces"] = surface.numCells();
            Json list = Json::array();
            for (SetRow const& r : rows) {
                list.push_back({{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}});
            }
            doc["sets"] = list;
            doc["area"] = jsonNumber(area);
            doc["pointArrays"] = surface.pointData.size();
            printJson(p_out, doc);
            return 0;
        }
        Table t;
        t.row("mesh", terminalSafe(mesh.source));
        t.row("boundary", terminalSafe(p_options.output));
        t.row("vertices", std::to_string(surface.numPoints()));
        t.row("faces", std::to_string(surface.numCells()));
        for (SetRow const& r : rows) {
            t.row("  " + terminalSafe(r.name), std::to_string(r.count) + " " + shapeName(r.type));
        }
        t.row("area", number(area));
        std::string names;
        for (DataArray const& a : surface.pointData) {
            names += (names.empty() ? "" : ", ") + terminalSafe(a.name);
        }
        t.row("point arrays", names.empty() ? "none" : names);
        t.print(p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeBoundaryCommand()
{
    return std::make_unique<BoundaryCommand>();
}

} // namespace zevgeom
