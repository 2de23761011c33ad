// zevgeom convert: a mesh file in another format or encoding, points, cells and arrays kept exactly.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Progress.h"
#include "zev/analysis/Report.h"
#include "zev/io/CgnsWriter.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zevgeom {

namespace {

class ConvertCommand : public Command {
public:
    ConvertCommand()
        : Command(
              "convert",
              "usage: zevgeom convert IN OUT [--ascii|--binary] [--compress] [--json]\n"
              "                       [--base B] [--zone Z] [--solution S] [--time T] [--point-data]\n"
              "\n"
              "Converts a mesh file between the VTK legacy format (.vtk) and the XML formats (.vtu for\n"
              "any cells, .vtp for lines and surfaces), keeping the points, cells and arrays exactly. The\n"
              "output format follows OUT's extension. CGNS files (.cgns) are read and written too: an\n"
              "unstructured zone's sections, boundary conditions and solutions become cells and arrays,\n"
              "and a mesh becomes one zone with a section per set and its arrays as solutions. gmsh files\n"
              "(.msh) and OpenFOAM cases (a folder, a .foam file or system/controlDict) are read.\n"
              "\n"
              "options:\n"
              "  --base B          CGNS input: the base, by name or number (default the first)\n"
              "  --zone Z          CGNS input: the zone, by name or number (default every zone)\n"
              "  --solution S      CGNS input: the solution, by name, or by number the time step\n"
              "  --time T          OpenFOAM input: the written time, latest (the default), first, or\n"
              "                    its name or value\n"
              "  --point-data      also write each cell array at the points: at each point the plain\n"
              "                    mean of the values of the volume cells around it\n"
              "  --ascii           write text data (the default)\n"
              "  --binary          write binary data (legacy BINARY, XML appended raw data)\n"
              "  --compress        XML only: zlib-compressed binary data\n"
              "  --json            write the report as JSON\n"
              "  -h, --help        this text\n")
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_flag("--ascii", p_options.ascii);
        p_app.add_flag("--binary", p_options.binary);
        p_app.add_flag("--compress", p_options.compress);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 2);
        if (p_options.positional.size() != 2) {
            throw UsageError("convert needs the input and the output file: zevgeom convert IN OUT");
        }
        if (p_options.ascii && (p_options.binary || p_options.compress)) {
            throw UsageError("--ascii cannot go with --binary or --compress");
        }
        p_options.output = p_options.positional[1];
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        std::string const& in = p_options.positional[0];
        bool const chooses =
            !p_options.base.empty() || !p_options.zone.empty() || !p_options.solution.empty();
        if (chooses && !isCgnsPath(in)) {
            throw UsageError("--base, --zone and --solution choose within a CGNS file");
        }
        if (isCgnsPath(in) && (p_options.pointData || !p_options.time.empty())) {
            throw UsageError(std::string(p_options.pointData ? "--point-data" : "--time") +
                             " does not apply to a CGNS file (choose its solution with --solution)");
        }
        MeshData mesh;
        if (isCgnsPath(in)) {
            // Through the library's geometry, so that a CGNS copy keeps the sets' names.
            LoadedMesh const loaded = [&] {
                Phase const reading("reading");
                return CgnsReader::readMesh(in, cgnsSelection(p_options));
            }();
            mesh = fromLibrary(loaded.geo(), loaded.variables, ExportSelection());
            if (isCgnsPath(p_options.output)) {
                Phase const writing("writing");
                CgnsWriter::writeFile(loaded.geo(), loaded.variables, ExportSelection(), p_options.output);
            } else {
                writeOutput(mesh, p_options);
            }
        } else {
            mesh = [&] {
                Phase const reading("reading");
                return readRequested(p_options);
            }();
            writeOutput(mesh, p_options);
        }
        Document doc;
        doc.text("input", "read", in).text("output", "wrote", p_options.output);
        doc.count("points", "points", mesh.numPoints()).count("cells", "cells", mesh.numCells());
        doc.count("pointArrays", "point arrays", mesh.pointData.size());
        doc.count("cellArrays", "cell arrays", mesh.cellData.size());
        doc.print(p_out, p_options.json);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeConvertCommand()
{
    return std::make_unique<ConvertCommand>();
}

} // namespace zevgeom
