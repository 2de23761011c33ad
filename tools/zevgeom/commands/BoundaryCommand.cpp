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
                      "usage: zevgeom boundary [MESH] -o OUT.vtk [--binary] [--compress] [--region NAME]\n"
                      "                        [--json]\n"
                      "\n"
                      "Writes the boundary surface of the volume cells (the faces no two cells share) with\n"
                      "the point variables carried over. A mesh without volume cells writes its own\n"
                      "surface.\n"
                      "\n"
                      "options:\n"
                      "  -o, --output OUT  the file to write (.vtk, .vtu, .vtp, .pvtu, .pvtp or .cgns)\n"
                      "  --binary          binary data (legacy BINARY, XML appended raw data)\n"
                      "  --compress        zlib-compressed blocks (XML formats only)\n") +
                      s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        declareOutput(p_app, p_options);
        declareReport(p_app, p_options);
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
        Document doc;
        doc.text("mesh", "mesh", mesh.source).text("output", "boundary", p_options.output);
        doc.count("vertices", "vertices", surface.numPoints()).count("faces", "faces", surface.numCells());
        Json list = Json::array();
        for (SetRow const& r : rows) {
            list.push_back({{"name", r.name}, {"type", shapeName(r.type)}, {"count", r.count}});
            doc.add("", "  " + terminalSafe(r.name), nullptr,
                    std::to_string(r.count) + " " + shapeName(r.type));
        }
        doc.add("sets", "", list, "").add("area", "area", jsonNumber(area), number(area));
        std::string names;
        for (DataArray const& a : surface.pointData) {
            names += (names.empty() ? "" : ", ") + terminalSafe(a.name);
        }
        doc.add("pointArrays", "point arrays", surface.pointData.size(), names.empty() ? "none" : names);
        doc.print(p_out, p_options.json);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeBoundaryCommand()
{
    return std::make_unique<BoundaryCommand>();
}

} // namespace zevgeom
