// zevgeom: answers questions about a mesh file from the command line.
#include "tools/zevgeom/Commands.h"
#ifdef ZEVGEOM_PARALLEL
#include "zev/parallel/DistributedRun.h"
#endif

#include <unistd.h>

#include <csignal>
#include <iostream>

int main(int argc, char** argv)
{
    // Past the file size limit a write fails with EFBIG instead of killing the process, so the
    // writer can report it and remove its temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ostream* out = &std::cout;
    std::ostream* err = &std::cerr;
#ifdef ZEVGEOM_PARALLEL
    // Under mpiexec every process runs the command; only the first one reports.
    std::ostream silent(nullptr);
    if (zev::parallel::startDistributed() && !zev::parallel::reportingProcess()) {
        out = &silent;
        err = &silent;
    }
#endif
    bool const terminal = err == &std::cerr && isatty(STDERR_FILENO);
    std::vector<std::string> args(argv + 1, argv + argc);
    int const code = zevgeom::runZevgeom(args, *out, *err, terminal);
#ifdef ZEVGEOM_PARALLEL
    zev::parallel::finishDistributed();
#endif
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zevgeom: cannot write the report to standard output\n";
        return zevgeom::s_exitFile;
    }
    return code;
}
