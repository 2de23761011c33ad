// zevgeom generate: writes a built-in box mesh with analytic fields.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Report.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zevgeom {

namespace {

class GenerateCommand : public Command {
public:
    GenerateCommand()
        : Command(
              "generate",
              "usage: zevgeom generate (hex|tet|mixed) --n N -o OUT.vtk [--binary] [--compress]\n"
              "                        [--json]\n"
              "\n"
              "Writes the unit box cut into N x N x N cells: hexahedra (hex), each hexahedron split into "
              "six\n"
              "tetrahedra (tet), or columns of hexahedra, wedges and pyramids (mixed). The box carries the\n"
              "point fields linear = 1 + 2x + 3y + 4z, pressure = 101325 - 0.6 |velocity|^2 and the "
              "swirling\n"
              "vector field velocity, and the cell field region (1 in the lower half, 2 in the upper "
              "half).\n"
              "\n"
              "options:\n"
              "  --n N             cells along each axis (1 to 1000)\n"
              "  -o, --output OUT  the file to write (.vtk, .vtu, .vtp, .pvtu, .pvtp or .cgns)\n"
              "  --binary          binary data (legacy BINARY, XML appended raw data)\n"
              "  --compress        zlib-compressed blocks (XML formats only)\n"
              "  --json            write the report as JSON\n"
              "  -h, --help        this text\n")
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        p_app.add_option("--n", p_options.n);
        declareOutput(p_app, p_options);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (p_options.output.empty()) {
            throw UsageError("generate needs -o OUT.vtk");
        }
        if (p_options.positional.empty()) {
            throw UsageError("generate needs the kind of cells: hex, tet or mixed");
        }
        if (p_options.n.empty()) {
            throw UsageError("generate needs --n N");
        }
        if (!p_options.base.empty() || !p_options.zone.empty() || !p_options.solution.empty()) {
            throw UsageError("--base, --zone and --solution choose within a CGNS file; generate reads none");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        BoxKind kind;
        if (!parseBoxKind(p_options.positional.front(), kind)) {
            throw UsageError("unknown cell kind '" + terminalSafe(p_options.positional.front()) +
                             "'; use hex, tet or mixed");
        }
        std::string const& text = p_options.n;
        bool digits = !text.empty() && text.size() <= 9;
        for (char c : text) {
            digits = digits && c >= '0' && c <= '9';
        }
        int const n = digits ? std::stoi(text) : -1;
        if (n < 1 || n > s_maxBoxCells) {
            throw UsageError("--n takes a whole number from 1 to " + std::to_string(s_maxBoxCells) +
                             ", not '" + terminalSafe(text) + "'");
        }
        MeshData const mesh = generateBox(kind, n);
        writeOutput(mesh, p_options);
        Document doc;
        doc.text("output", "wrote", p_options.output);
        doc.add("kind", "", boxKindName(kind), "");
        doc.add("n", "mesh", n, std::string(boxKindName(kind)) + " box " + text + "x" + text + "x" + text);
        doc.count("points", "points", mesh.numPoints()).count("cells", "cells", mesh.numCells());
        doc.add("", "point arrays", nullptr, "linear, pressure, velocity")
            .add("", "cell arrays", nullptr, "region");
        doc.print(p_out, p_options.json);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeGenerateCommand()
{
    return std::make_unique<GenerateCommand>();
}

} // namespace zevgeom
