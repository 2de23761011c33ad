// zevgeom partition: a mesh split into pieces by its cell graph, written as a .pvtu (or .pvtp) index and
// one file per piece that remembers the global ids of its points and cells.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Report.h"
#include "zev/io/ParallelVtkFile.h"
#include "zev/parallel/Partition.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <ostream>

namespace zevgeom {

namespace {

class PartitionCommand : public Command {
public:
    PartitionCommand()
        : Command("partition",
                  "usage: zevgeom partition MESH --parts N -o OUT.pvtu [--ascii|--binary] [--compress] "
                  "[--json]\n"
                  "\n"
                  "Splits a mesh into N pieces of about as many cells each, cutting as few faces between\n"
                  "cells as it can (edges between surface cells), and writes them as OUT_0.vtu, OUT_1.vtu,\n"
                  "... beside the index OUT.pvtu (or OUT_0.vtp, ... beside OUT.pvtp for a mesh of lines and\n"
                  "surfaces). Each piece holds its cells with the points they use and their arrays, and the\n"
                  "arrays GlobalNodeIds and GlobalCellIds: where its points and cells are in MESH. Reading\n"
                  "OUT.pvtu gives the whole mesh back. Every piece needs a cell: N is at most the mesh's\n"
                  "cell count. The same mesh is always split the same way.\n"
                  "\n"
                  "options:\n"
                  "  --parts N         the number of pieces, from 1\n"
                  "  -o, --output OUT  the index file, .pvtu or .pvtp\n"
                  "  --ascii           write text data (the default)\n"
                  "  --binary          write binary data (appended raw data)\n"
                  "  --compress        zlib-compressed binary data\n"
                  "  --json            write the report as JSON\n"
                  "  -h, --help        this text\n")
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        p_app.add_option("--parts", p_options.n);
        p_app.add_option("-o,--output", p_options.output);
        p_app.add_flag("--ascii", p_options.ascii);
        p_app.add_flag("--binary", p_options.binary);
        p_app.add_flag("--compress", p_options.compress);
        declareJson(p_app, p_options);
    }

    void check(Options& p_options) const override
    {
        checkPositionals(p_options, 1);
        if (p_options.positional.empty()) {
            throw UsageError("partition needs the mesh file: zevgeom partition MESH --parts N -o OUT.pvtu");
        }
        if (p_options.n.empty()) {
            throw UsageError("partition needs the number of pieces: --parts N");
        }
        long long parts = 0;
        std::string const& text = p_options.n;
        auto const res = std::from_chars(text.data(), text.data() + text.size(), parts);
        if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
            throw UsageError("--parts takes a whole number, not '" + terminalSafe(text) + "'");
        }
        if (parts < 1) {
            throw UsageError("--parts must be at least 1, not " + text);
        }
        if (p_options.output.empty()) {
            throw UsageError("partition needs the index file to write: -o OUT.pvtu");
        }
        FileFormat const format = formatOfPath(p_options.output);
        if (format != FileFormat::ParallelUnstructured && format != FileFormat::ParallelPolyData) {
            throw UsageError("-o names the index of the pieces, OUT.pvtu (any cells) or OUT.pvtp (lines and "
                             "surfaces), not '" +
                             terminalSafe(p_options.output) + "'");
        }
        if (p_options.ascii && (p_options.binary || p_options.compress)) {
            throw UsageError("--ascii cannot go with --binary or --compress");
        }
    }

    int run(Options const& p_options, std::ostream& p_out, std::ostream&) const override
    {
        std::string const& in = p_options.positional[0];
        MeshData const mesh = readMeshFile(in);
        long long const parts = std::stoll(p_options.n);
        if (mesh.numCells() == 0) {
            throw UsageError("'" + terminalSafe(in) + "' has no cells to split");
        }
        if (static_cast<unsigned long long>(parts) > mesh.numCells()) {
            throw UsageError("--parts " + p_options.n + " is more than the " +
                             std::to_string(mesh.numCells()) + " cells of '" + terminalSafe(in) +
                             "'; every piece needs a cell");
        }
        bool const poly = formatOfPath(p_options.output) == FileFormat::ParallelPolyData;
        if (poly) {
            for (VtkCellType type : mesh.cellTypes) {
                if (isVolumeCell(type)) {
                    throw UsageError("'" + terminalSafe(in) +
                                     "' has volume cells; its pieces are written as OUT.pvtu, not .pvtp");
                }
            }
        }
        std::vector<int> const cellParts = zev::parallel::partitionCells(mesh, static_cast<int>(parts));
        std::vector<MeshData> pieces;
        pieces.reserve(static_cast<std::size_t>(parts));
        for (int p = 0; p < static_cast<int>(parts); ++p) {
            pieces.push_back(zev::parallel::extractPiece(mesh, cellParts, p));
        }
        std::vector<std::string> const files =
            writeParallelFile(pieces, p_options.output, writeOptions(p_options));
        std::size_t const cut = zev::parallel::interfaceFaces(mesh, cellParts);
        char const* const faces = poly ? "interface edges" : "interface faces";

        if (p_options.json) {
            Json doc;
            doc["input"] = in;
            doc["output"] = p_options.output;
            doc["parts"] = parts;
            doc["cells"] = mesh.numCells();
            doc["points"] = mesh.numPoints();
            doc[poly ? "interfaceEdges" : "interfaceFaces"] = cut;
            Json list = Json::array();
            for (std::size_t p = 0; p < pieces.size(); ++p) {
                Json piece;
                piece["file"] = files[p];
                piece["cells"] = pieces[p].numCells();
                piece["points"] = pieces[p].numPoints();
                list.push_back(piece);
            }
            doc["pieces"] = list;
            printJson(p_out, doc);
            return 0;
        }
        Table t;
        t.row("read", terminalSafe(in));
        t.row("wrote", terminalSafe(p_options.output));
        t.row("parts", std::to_string(parts));
        t.row("cells", std::to_string(mesh.numCells()));
        t.row("points", std::to_string(mesh.numPoints()));
        t.row(faces, std::to_string(cut));
        t.print(p_out);
        p_out << '\n';
        std::vector<std::vector<std::string>> rows{{"piece", "file", "cells", "points"}};
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            rows.push_back({std::to_string(p), terminalSafe(files[p]), std::to_string(pieces[p].numCells()),
                            std::to_string(pieces[p].numPoints())});
        }
        printColumns(p_out, rows);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makePartitionCommand()
{
    return std::make_unique<PartitionCommand>();
}

} // namespace zevgeom
