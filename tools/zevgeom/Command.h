// One zevgeom command: its options on the command line, its help text, and what it does. Every command
// lives in its own file under commands/ and is listed once in commands/Registry.cpp.
#pragma once

#include "zev/analysis/Cut.h"
#include "zev/analysis/Request.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace zevgeom {

// The tool parses options, runs an operation of the analysis library and prints its result.
using namespace zev::analysis;

// The options of every command are the operations' requests.
using Options = Request;

class Command {
public:
    // p_help is the text of 'zevgeom NAME --help'.
    Command(char const* p_name, std::string p_help) : m_name(p_name), m_help(std::move(p_help)) {}
    virtual ~Command() = default;
    char const* name() const { return m_name; }
    std::string const& help() const { return m_help; }
    // Declares the command's options (beyond -h/--help, which every command takes).
    virtual void declare(CLI::App& p_app, Options& p_options) const = 0;
    // Checks the parsed options; a UsageError names what is wrong.
    virtual void check(Options& p_options) const = 0;
    // Runs the command; the report goes to p_out, warnings to p_err.
    virtual int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const = 0;

private:
    char const* m_name;
    std::string m_help;
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
// --var NAME and --expr EXPR.
void declareQuantity(CLI::App& p_app, Options& p_options);
// --region NAME and --json, which every mesh-reading report takes.
void declareReport(CLI::App& p_app, Options& p_options);
// The run of slice and iso: the mesh read, the surface made by p_make, carried, written and reported.
int runCut(Options const& p_options, std::ostream& p_out, std::ostream& p_err,
           MadeCut (*p_make)(Request const&, LoadedMesh&));
// The output file's extension names a format the tool writes, and --compress goes with a format that has
// compression (the XML ones); a UsageError otherwise.
void checkOutputFormat(Options const& p_options);
// At most p_count positional arguments.
void checkPositionals(Options const& p_options, std::size_t p_count);

} // namespace zevgeom
