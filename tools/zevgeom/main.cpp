// zevgeom: answers questions about a mesh file from the command line.
#include "tools/zevgeom/Commands.h"
#include "zev/contracts/ProgressTracker.h"

#include <unistd.h>

#include <iostream>
#include <memory>

int main(int argc, char** argv)
{
    std::unique_ptr<zev::ProgressListener> bar;
    if (isatty(STDERR_FILENO)) {
        bar.reset(zevgeom::makeProgressBar(std::cerr));
        zev::ProgressTracker::setListener(bar.get());
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    int const code = zevgeom::runZevgeom(args, std::cout, std::cerr);
    zev::ProgressTracker::setListener(nullptr);
    std::cout.flush();
    return std::cout ? code : zevgeom::s_exitFile;
}
