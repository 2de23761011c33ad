// zevgeom info: the vertices, elements and faces per shape type and per set, the lines, the bounding box,
// the volume, the boundary area and the variables of a mesh.
#include "tools/zevgeom/Command.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/geometry/Geometry.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <ostream>
#include <utility>

namespace zevgeom {

namespace {

class InfoCommand : public Command {
public:
    InfoCommand()
        : Command("info",
                  std::string(
                      "usage: zevgeom info [MESH] [--region NAME] [--json]\n"
                      "\n"
                      "Reports the vertices, the elements and faces per shape type and per set, the lines,\n"
                      "the bounding box, the total volume, the boundary area, and every variable with its\n"
                      "location, components and range (vectors by magnitude).\n"
                      "\n"
                      "options:\n") +
                      s_commonOptions)
    {
    }

    void declare(CLI::App& p_app, Options& p_options) const override
    {
        declareMesh(p_app, p_options);
        declareReport(p_app, p_options);
    }

    void check(Options& p_options) const override { checkPositionals(p_options, 1); }

    int run(Options const& p_options, std::ostream& p_out, std::ostream& p_err) const override
    {
        LoadedMesh mesh = load(p_options);
        warnFarCoordinates(mesh.geo(), p_err);
        printInfo(p_options, infoFigures(mesh, &p_err), p_out);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeInfoCommand()
{
    return std::make_unique<InfoCommand>();
}

} // namespace zevgeom
