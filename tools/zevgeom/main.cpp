// zevgeom: answers questions about a mesh file from the command line.
#include "tools/zevgeom/Commands.h"
#include "zev/contracts/ProgressTracker.h"

#include <unistd.h>

#include <csignal>
#include <iostream>
#include <memory>

int main(int argc, char** argv)
{
    // Past the file size limit a write fails with EFBIG instead of killing the process, so the
    // writer can report it and remove its temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::unique_ptr<zev::ProgressListener> bar;
    if (isatty(STDERR_FILENO)) {
        bar.reset(zevgeom::makeProgressBar(std::cerr));
        zev::ProgressTracker::setListener(bar.get());
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    int const code = zevgeom::runZevgeom(args, std::cout, std::cerr);
    zev::ProgressTracker::setListener(nullptr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zevgeom: cannot write the report to standard output\n";
        return zevgeom::s_exitFile;
    }
    return code;
}
