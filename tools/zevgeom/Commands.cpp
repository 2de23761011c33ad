#include "tools/zevgeom/Commands.h"

#include "tools/zevgeom/Command.h"
#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Report.h"
#ifdef ZEVGEOM_PARALLEL
#include "zev/parallel/DistributedRun.h"
#endif
#include "zev/analysis/Progress.h"
#include "zev/contracts/Error.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <ostream>

namespace zevgeom {

char const* const s_commonOptions =
    "  --region NAME  split the element and face sets by the integer cell array NAME\n"
    "  --base B       CGNS: the base to read, by name or number (default the first)\n"
    "  --zone Z       CGNS: the zone to read, by name or number (default every zone)\n"
    "  --solution S   CGNS: the solution to read, by name, or by number the time step\n"
    "                 (default the first solution at the vertices and at the cell centres)\n"
    "  --time T       OpenFOAM: the written time to read: latest (the default),\n"
    "                 first, or a time's name or value\n"
    "  --data FILE    Fluent: the data file to read with the case (default the\n"
    "                 .dat or .dat.gz beside it with the same name)\n"
    "  --point-data   also give each cell variable at the vertices, as the plain\n"
    "                 mean of the volume cells around each vertex\n"
    "  --json         write the report as JSON\n"
    "  -h, --help     this text\n";

namespace {

char const* const s_mainHelp =
    "usage: zevgeom COMMAND [MESH] [options]\n"
    "\n"
    "Answers questions about a mesh file (VTK legacy format, ASCII or BINARY, UNSTRUCTURED_GRID or\n"
    "POLYDATA; or VTK XML, .vtu or .vtp, and their pieces, .pvtu or .pvtp; or CGNS, .cgns, unstructured\n"
    "zones; or gmsh, .msh, versions 2.2 and 4.1, its cells split by physical group; or an OpenFOAM\n"
    "case, given as its folder, a .foam file in it or its system/controlDict; or an EnSight Gold\n"
    "case, .case; or a Fluent case, .cas or .msh, plain or .gz, with its data file). Without MESH the\n"
    "built-in default mesh is used: a unit box of 6x6x6 cells in columns of hexahedra, wedges and pyramids, "
    "with the point fields linear, pressure and\n"
    "velocity and the cell field region.\n"
    "\n"
    "commands:\n"
    "  info       vertices, elements and faces per type, bounding box, volume, boundary area, variables\n"
    "  integrate  integral, measure and average of a variable or an expression\n"
    "  boundary   write the boundary surface with the point variables carried over\n"
    "  generate   write a built-in box mesh (hex, tet or mixed cells) with analytic fields\n"
    "  convert    convert a mesh file between the VTK legacy and XML formats and CGNS\n"
    "  probe      the value of a variable or an expression at points, and the elements holding them\n"
    "  slice      cut by a plane: faces, area, and a variable integrated over the slice\n"
    "  iso        cut at an isosurface: faces, area, and a variable integrated over it\n"
    "  select     whole elements by the side of a plane or sphere or a value range: volume, integral\n"
    "  line       crossings of a straight line with the boundary, values there, chords inside\n"
    "  sample     sample points on the boundary surface, with values carried onto them\n"
#ifdef ZEVGEOM_PARALLEL
    "  partition  split a mesh into pieces written as a .pvtu or .pvtp file\n"
    "\n"
    "Under mpiexec, info, integrate, slice, iso, select and probe run distributed: each process takes its\n"
    "share of the pieces of a .pvtu or .pvtp file, or of an ordinary file split on the first process.\n"
    "Answers per set and fluxes (--over SET, --flux) come from the whole mesh, on the first process.\n"
#endif
    "\n"
    "Every command also takes:\n"
    "  --quiet    draw no progress bar (one is drawn on standard error when it is a terminal)\n"
    "  --timings  print each phase's wall time (reading, indexing, the command, writing) on standard\n"
    "             error after the report\n"
    "\n"
    "Run 'zevgeom COMMAND --help' for the options of a command.\n"
    "Exit codes: 0 success, 1 usage error, 2 malformed or unwritable file, 3 internal failure.\n";

// Parses the arguments after the command into p_options. CLI11 does the parsing; its errors are turned
// into the tool's own messages, which name the option as the user typed it.
void parse(Command const& p_command, std::vector<std::string> const& p_args, Options& p_options)
{
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    app.add_flag("-h,--help", p_options.help);
    p_command.declare(app, p_options);

    std::vector<std::string> args(p_args.begin() + 1, p_args.end());
    // A flag given a value ("--json=yes") is a mistake, not a boolean to convert.
    for (std::string const& arg : args) {
        std::size_t const eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            CLI::Option const* option = app.get_option_no_throw(arg.substr(0, eq));
            if (option != nullptr && option->get_expected_max() == 0) {
                throw UsageError("option '" + arg.substr(0, eq) + "' takes no value");
            }
        }
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (CLI::ArgumentMismatch const&) {
        // Only the last argument can lack its value.
        std::string const last = args.back();
        throw UsageError("option '" + last.substr(0, last.find('=')) + "' needs a value");
    } catch (CLI::ParseError const& e) {
        throw UsageError(e.what());
    }
    for (auto [name, seen] :
         {std::pair{"--var", &p_options.hasVar}, std::pair{"--expr", &p_options.hasExpr}}) {
        CLI::Option const* option = app.get_option_no_throw(name);
        *seen = option != nullptr && option->count() > 0;
    }
    std::vector<std::string> extra;
    for (std::string const& arg : app.remaining()) {
        if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option '" + terminalSafe(arg) + "' for " + p_command.name());
        }
        extra.push_back(arg);
    }
    p_options.positional.insert(p_options.positional.end(), extra.begin(), extra.end());
    if (!p_options.help) {
        p_command.check(p_options);
        checkOutputFormat(p_options);
    }
}

// Draws the running phase and a bar on a terminal, and clears them when done.
class ProgressBar {
public:
    explicit ProgressBar(std::ostream& p_err) : m_err(p_err) {}
    ~ProgressBar() { clear(); }
    ProgressBar(ProgressBar const&) = delete;
    ProgressBar& operator=(ProgressBar const&) = delete;

    void draw(std::string const& p_phase, double p_fraction)
    {
        int const percent = static_cast<int>(std::lround(std::min(std::max(p_fraction, 0.0), 1.0) * 100));
        int const filled = percent * s_width / 100;
        std::string phase = p_phase.substr(0, s_label);
        phase.resize(s_label, ' ');
        m_err << '\r' << phase << " [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(s_width - filled), ' ') << "] "
              << (percent < 10    ? "  "
                  : percent < 100 ? " "
                                  : "")
              << percent << '%' << std::flush;
        m_drawn = true;
    }
    void clear()
    {
        if (m_drawn) {
            m_err << '\r' << std::string(s_label + s_width + 9, ' ') << '\r' << std::flush;
        }
        m_drawn = false;
    }

private:
    static constexpr int s_width = 30;
    static constexpr std::size_t s_label = 12;
    std::ostream& m_err;
    bool m_drawn = false;
};

// Takes the tool's global flags out of the arguments, wherever they stand.
bool takeFlag(std::vector<std::string>& p_args, char const* p_flag)
{
    auto const end = std::remove(p_args.begin(), p_args.end(), std::string(p_flag));
    bool const found = end != p_args.end();
    p_args.erase(end, p_args.end());
    return found;
}

void printTimings(OperationProgress const& p_watch, std::ostream& p_err)
{
    std::vector<std::vector<std::string>> rows{{"phase", "seconds"}};
    double total = 0;
    for (auto const& [phase, seconds] : p_watch.timings()) {
        rows.push_back({phase, number(seconds, 4)});
        total += seconds;
    }
    rows.push_back({"total", number(total, 4)});
    printColumns(p_err, rows);
}

} // namespace

// ---------------------------------------------------------------- shared by the commands

void declareMesh(CLI::App& p_app, Options& p_options)
{
    // Positional arguments are left to the parser's extras and counted by each command's check.
    p_app.add_option("--base", p_options.base);
    p_app.add_option("--zone", p_options.zone);
    p_app.add_option("--solution", p_options.solution);
    p_app.add_option("--time", p_options.time)->check([](std::string const& p_value) {
        if (p_value.empty()) {
            throw UsageError("--time needs latest, first or a time");
        }
        return std::string();
    });
    p_app.add_option("--data", p_options.data)->check([](std::string const& p_value) {
        if (p_value.empty()) {
            throw UsageError("--data needs the data file of a Fluent case");
        }
        return std::string();
    });
    p_app.add_flag("--point-data", p_options.pointData);
}

void declareRegion(CLI::App& p_app, Options& p_options)
{
    p_app.add_option("--region", p_options.region)->check([](std::string const& p_value) {
        if (p_value.empty()) {
            throw UsageError("--region needs the name of a cell array");
        }
        return std::string();
    });
}

void declareJson(CLI::App& p_app, Options& p_options)
{
    p_app.add_flag("--json", p_options.json);
}

void declareOutput(CLI::App& p_app, Options& p_options)
{
    p_app.add_option("-o,--output", p_options.output);
    p_app.add_flag("--binary", p_options.binary);
    p_app.add_flag("--compress", p_options.compress);
}

void declareQuantity(CLI::App& p_app, Options& p_options)
{
    p_app.add_option("--var", p_options.var);
    p_app.add_option("--expr", p_options.expr);
}

void declareReport(CLI::App& p_app, Options& p_options)
{
    declareRegion(p_app, p_options);
    declareJson(p_app, p_options);
}

int runCut(Options const& p_options, std::ostream& p_out, std::ostream& p_err,
           MadeCut (*p_make)(Request const&, LoadedMesh&))
{
    LoadedMesh mesh = load(p_options);
    warnFarCoordinates(mesh.geo(), p_err);
    MadeCut const cut = p_make(p_options, mesh);
    return reportCut(p_options, mesh, *cut.surface, cut.what, cut.whatJson, p_out);
}

void checkOutputFormat(Options const& p_options)
{
    if (!p_options.output.empty()) {
        // sample also writes its points as a table.
        checkOutputPath(p_options.output, p_options.binary, p_options.compress,
                        p_options.command == "sample");
    }
}

void checkPositionals(Options const& p_options, std::size_t p_count)
{
    if (p_options.positional.size() > p_count) {
        throw UsageError("unexpected argument '" + terminalSafe(p_options.positional[p_count]) + "'");
    }
}

int runZevgeom(std::vector<std::string> const& p_args, std::ostream& p_out, std::ostream& p_err)
{
    return runZevgeom(p_args, p_out, p_err, false);
}

int runZevgeom(std::vector<std::string> p_args, std::ostream& p_out, std::ostream& p_err, bool p_terminal)
{
    bool const quiet = takeFlag(p_args, "--quiet");
    bool const timings = takeFlag(p_args, "--timings");
    if (p_args.empty()) {
        p_err << s_mainHelp;
        return s_exitUsage;
    }
    std::string const& name = p_args.front();
    if (name == "-h" || name == "--help" || name == "help") {
        p_out << s_mainHelp;
        return s_exitOk;
    }
    Command const* command = nullptr;
    for (auto const& c : commands()) {
        if (name == c->name()) {
            command = c.get();
        }
    }
    if (command == nullptr) {
        p_err << "zevgeom: unknown command '" << terminalSafe(name)
              << "'\nRun 'zevgeom --help' for the commands.\n";
        return s_exitUsage;
    }
    setWarningStream(&p_err);
    try {
        Options options;
        options.command = name;
        parse(*command, p_args, options);
        if (options.help) {
            p_out << command->help();
            return s_exitOk;
        }
        std::optional<ProgressBar> bar;
        if (p_terminal && !quiet) {
            bar.emplace(p_err);
        }
        ProgressCallback draw;
        if (bar) {
            draw = [&](std::string const& p_phase, double p_fraction) { bar->draw(p_phase, p_fraction); };
        }
        OperationProgress watch(name, draw);
        int code = 0;
#ifdef ZEVGEOM_PARALLEL
        if (zev::parallel::distributedRun()) {
            code = zev::parallel::runDistributed(options, p_out, p_err, reportFailure,
                                                 [&] { return command->run(options, p_out, p_err); });
        } else
#endif
        {
            code = command->run(options, p_out, p_err);
        }
        if (bar) {
            bar->clear();
        }
        if (timings) {
            printTimings(watch, p_err);
        }
        return code;
    } catch (...) {
        return reportFailure(name, p_err);
    }
}

int reportFailure(std::string const& p_command, std::ostream& p_err)
{
    try {
        throw;
    } catch (UsageError const& e) {
        p_err << "zevgeom: " << e.what() << "\nRun 'zevgeom " << p_command << " --help' for its usage.\n";
        return s_exitUsage;
    } catch (SelectionError const& e) {
        // The library's messages quote names from the file (paths, node, set and array names): their
        // control characters are escaped so that they cannot forge a line or drive the terminal.
        p_err << "zevgeom: " << terminalSafe(e.what()) << "\nRun 'zevgeom " << p_command
              << " --help' for its usage.\n";
        return s_exitUsage;
    } catch (FormatError const& e) {
        p_err << "zevgeom: " << terminalSafe(e.what()) << '\n';
        return s_exitFile;
    } catch (zev::Error const& e) {
        p_err << "zevgeom: " << e.getClassName() << "::" << e.getMethodName() << ": "
              << terminalSafe(e.what()) << '\n';
        return s_exitInternal;
    } catch (std::bad_alloc const&) {
        p_err << "zevgeom: out of memory\n";
        return s_exitInternal;
    } catch (std::exception const& e) {
        p_err << "zevgeom: " << terminalSafe(e.what()) << '\n';
        return s_exitInternal;
    }
}

} // namespace zevgeom
