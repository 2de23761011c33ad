// A run under mpiexec: every process runs the command on its share of the mesh's pieces, the figures are
// added up over the processes, and the first process prints them as a single process would.
#pragma once

#include "zev/analysis/Request.h"
#include "zev/parallel/ParallelExport.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace zev::parallel {

// Starts MPI when the tool was launched by mpiexec; true when it did. Without mpiexec nothing starts and
// the tool runs as a single process.
ZEV_PARALLEL_EXPORT bool startDistributed();
// Ends MPI when startDistributed started it.
ZEV_PARALLEL_EXPORT void finishDistributed();
// Whether this run is distributed (MPI was started).
ZEV_PARALLEL_EXPORT bool distributedRun();
// Whether this process prints the report: the first one, or the only one of an ordinary run.
ZEV_PARALLEL_EXPORT bool reportingProcess();

// How a failure is told to the user: writes the message of the exception being handled (called from within
// a catch block) for the operation p_operation and returns the run's exit code. The tool words its own.
using FailureReport = std::function<int(std::string const& p_operation, std::ostream& p_message)>;

// Runs the operation p_request.operation on every process: info, integrate, probe, slice, iso and select
// on each process's share of the mesh, the figures added up and printed by the first process; any other
// operation runs as p_single on the first process alone. Failures on any process end every process with
// the message of the lowest failing rank (printed once, by the first process) and its exit code.
ZEV_PARALLEL_EXPORT int runDistributed(analysis::Request const& p_request, std::ostream& p_out,
                                       std::ostream& p_err, FailureReport const& p_report,
                                       std::function<int()> const& p_single);

} // namespace zev::parallel
