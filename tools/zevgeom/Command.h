// One zevgeom command: its options on the command line, its help text, and what it does. Every command
// lives in its own file under commands/ and is listed once in commands/Registry.cpp.
#pragma once

#include "tools/zevgeom/Analysis.h"
#include "tools/zevgeom/UsageError.h"
#include "zev/io/MeshFile.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zevgeom {

// The options of every command; each command declares the ones it takes.
struct Options {
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

class Command {
public:
    virtual ~Command() = default;
    virtual char const* name() const = 0;
    // The text of 'zevgeom NAME --help'.
    virtual std::string help() const = 0;
    // Declares the command's options (beyond -h/--help, which every command takes).
    virtual void declare(CLI::App& p_app, Options& p_options) const = 0;
    // Checks the parsed options; a UsageError names what is wrong.
    virtual void check(Options& p_options) const = 0;
    // Runs the command; the report goes to p_out, warnings to p_err.
    virtual int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const = 0;
};

// The commands, in the order the main help lists them.
std::vector<std::unique_ptr<Command>> const& commands();

// ---------------------------------------------------------------- shared by the commands

// The text of the options every mesh-reading command takes.
extern char const* const s_commonOptions;

// Options shared by several commands.
void declareMesh(CLI::App& p_app, Options& p_options);
void declareRegion(CLI::App& p_app, Options& p_options);
void declareJson(CLI::App& p_app, Options& p_options);
void declareOutput(CLI::App& p_app, Options& p_options);
// At most p_count positional arguments.
void checkPositionals(Options const& p_options, std::size_t p_count);

// Whether a path names a CGNS file (by its extension).
bool isCgnsPath(std::string const& p_path);
// The CGNS selection of --base, --zone and --solution.
CgnsSelection cgnsSelection(Options const& p_options);

// The mesh named by the first positional argument, or the built-in default mesh.
LoadedMesh load(Options const& p_options);
// Refiles arrays named x, y or z (the coordinates in expressions) as "x_array" and so on, with a note.
void renameCoordinateArrays(LoadedMesh& p_mesh);
// The file options of --binary and --compress.
WriteOptions writeOptions(Options const& p_options);
// Warns on p_err when some elements have a negative volume.
void warnInverted(VolumeMeasures const& p_volumes, std::ostream& p_err);
void warnInverted(std::size_t p_inverted, std::ostream& p_err);

} // namespace zevgeom
