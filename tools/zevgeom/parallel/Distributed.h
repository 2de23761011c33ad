// zevgeom under mpiexec: every process runs the command on its share of the mesh's pieces, the figures are
// added up over the processes, and the first process prints them as a single process would.
#pragma once

#include "tools/zevgeom/Command.h"

#include <iosfwd>

namespace zevgeom {

// Starts MPI when the tool was launched by mpiexec; true when it did. Without mpiexec nothing starts and
// the tool runs as a single process.
bool startDistributed();
// Ends MPI when startDistributed started it.
void finishDistributed();
// Whether this run is distributed (MPI was started).
bool distributedRun();
// Whether this process prints the report: the first one, or the only one of an ordinary run.
bool reportingProcess();

// Runs p_command on every process. Failures on any process end every process with the message of the
// lowest failing rank (printed once, by the first process) and its exit code.
int runDistributed(Command const& p_command, Options const& p_options, std::ostream& p_out,
                   std::ostream& p_err);

} // namespace zevgeom
