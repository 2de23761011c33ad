// The zevgeom command line: parses the arguments, runs one command (info, integrate, boundary, generate)
// and writes its report as a table or as JSON. Kept apart from main() so that tests can run it in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zevgeom {

// Exit codes: success, a usage error, a malformed or unusable file, a failure inside the library.
constexpr int s_exitOk = 0;
constexpr int s_exitUsage = 1;
constexpr int s_exitFile = 2;
constexpr int s_exitInternal = 3;

// Runs the tool with p_args (without the program name); the report goes to p_out, diagnostics to p_err.
// With p_terminal (p_err is a terminal) a progress bar is drawn on p_err unless --quiet is given;
// --timings prints each phase's wall time on p_err after the report.
int runZevgeom(std::vector<std::string> const& p_args, std::ostream& p_out, std::ostream& p_err);
int runZevgeom(std::vector<std::string> p_args, std::ostream& p_out, std::ostream& p_err, bool p_terminal);

// Writes the message of the exception being handled, as the tool reports a failure of command p_command,
// and returns its exit code. Called from within a catch block.
int reportFailure(std::string const& p_command, std::ostream& p_err);

} // namespace zevgeom
