// A request to one of the user operations: the mesh to read and the options of the operation, as the
// tool's command line, the Python module and the distributed runner all give them. Also the reading of
// the mesh a request names, which every operation starts with.
#pragma once

#include "zev/analysis/Measures.h"
#include "zev/analysis/UsageError.h"
#include "zev/io/MeshFile.h"

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace zev::analysis {

// The options of every operation; each operation reads the ones it takes.
struct Request {
    std::string command;
    std::vector<std::string> positional;
    std::string region;
    std::string var;
    std::string expr;
    std::string over = "volume";
    std::string output;
    std::string n;
    // What to read from a CGNS file: a base, a zone and a solution, each by name or 1-based index.
    std::string base;
    std::string zone;
    std::string solution;
    // The written time of an OpenFOAM case: "latest", "first" or a time; "" for the default (latest).
    std::string time;
    // The data file of a Fluent case; "" for the one beside the case with the same stem.
    std::string data;
    // Cell data also averaged to the vertices (a vertex variable of each cell variable's name).
    bool pointData = false;
    bool json = false;
    bool binary = false;
    bool ascii = false;
    bool compress = false;
    bool help = false;
    bool hasVar = false;
    bool hasExpr = false;
    // Options of one command only, by option name (repeated options keep every value in order).
    std::map<std::string, std::vector<std::string>> values;
};

// The mesh used when a request names no file: the built-in mixed box of this many cells a side.
constexpr int s_defaultMeshCells = 6;
std::string defaultMeshDescription();

// Where notes and warnings of the running operation go (the tool's standard error); null drops them.
void setWarningStream(std::ostream* p_stream);
std::ostream* warningStream();

// Whether a path names a CGNS file (by its extension).
bool isCgnsPath(std::string const& p_path);
// The CGNS selection of --base, --zone and --solution.
CgnsSelection cgnsSelection(Request const& p_request);

// Reads a mesh file, its reader's notes and warnings going to the warning stream.
MeshData readNoted(std::string const& p_path);
// Reads the mesh file a request names (its first positional argument) at the request's --time, with its
// cell data averaged to the points under --point-data; notes go to the warning stream.
MeshData readRequested(Request const& p_request);
// The mesh named by the first positional argument, or the built-in default mesh.
LoadedMesh load(Request const& p_request);
// Refiles arrays named x, y or z (the coordinates in expressions) as "x_array" and so on, with a note.
void renameCoordinateArrays(LoadedMesh& p_mesh);
// The file options of --binary and --compress.
WriteOptions writeOptions(Request const& p_request);
// Checks an output path before anything is computed: its extension names a format a writer handles (or
// none: legacy), .csv too with p_table, and --compress goes with a format that has compression (the XML
// ones). A UsageError names what is wrong.
void checkOutputPath(std::string const& p_path, bool p_binary, bool p_compress, bool p_table);
// Writes p_mesh to the request's output file with those options, as the operation's "writing" phase.
void writeOutput(MeshData const& p_mesh, Request const& p_request);
// Warns when some elements have a negative volume.
void warnInverted(VolumeMeasures const& p_volumes, std::ostream& p_err);
void warnInverted(std::size_t p_inverted, std::ostream& p_err);

} // namespace zev::analysis
