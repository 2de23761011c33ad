// The zevgeom command line: parses the arguments, runs one command (info, integrate, boundary, generate)
// and writes its report as a table or as JSON. Kept apart from main() so that tests can run it in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zev {
class ProgressListener;
}

namespace zevgeom {

// Exit codes: success, a usage error, a malformed or unusable file, a failure inside the library.
constexpr int s_exitOk = 0;
constexpr int s_exitUsage = 1;
constexpr int s_exitFile = 2;
constexpr int s_exitInternal = 3;

// Runs the tool with p_args (without the program name); the report goes to p_out, diagnostics to p_err.
int runZevgeom(std::vector<std::string> const& p_args, std::ostream& p_out, std::ostream& p_err);

// Writes the message of the exception being handled, as the tool reports a failure of command p_command,
// and returns its exit code. Called from within a catch block.
int reportFailure(std::string const& p_command, std::ostream& p_err);

// A listener that draws a progress bar on p_err (meant for a terminal) and clears it when done.
zev::ProgressListener* makeProgressBar(std::ostream& p_err);

} // namespace zevgeom
