// The one list of the tool's commands: a new command is a new file in this folder and a line here.
#include "tools/zevgeom/Command.h"

namespace zevgeom {

std::unique_ptr<Command> makeInfoCommand();
std::unique_ptr<Command> makeIntegrateCommand();
std::unique_ptr<Command> makeBoundaryCommand();
std::unique_ptr<Command> makeGenerateCommand();
std::unique_ptr<Command> makeConvertCommand();
std::unique_ptr<Command> makeProbeCommand();
std::unique_ptr<Command> makeSliceCommand();
std::unique_ptr<Command> makeIsoCommand();
std::unique_ptr<Command> makeSelectCommand();
std::unique_ptr<Command> makeLineCommand();
std::unique_ptr<Command> makeSampleCommand();
#ifdef ZEVGEOM_PARALLEL
std::unique_ptr<Command> makePartitionCommand();
#endif

std::vector<std::unique_ptr<Command>> const& commands()
{
    static std::vector<std::unique_ptr<Command>> const s_commands = [] {
        std::vector<std::unique_ptr<Command>> list;
        list.push_back(makeInfoCommand());
        list.push_back(makeIntegrateCommand());
        list.push_back(makeBoundaryCommand());
        list.push_back(makeGenerateCommand());
        list.push_back(makeConvertCommand());
        list.push_back(makeProbeCommand());
        list.push_back(makeSliceCommand());
        list.push_back(makeIsoCommand());
        list.push_back(makeSelectCommand());
        list.push_back(makeLineCommand());
        list.push_back(makeSampleCommand());
#ifdef ZEVGEOM_PARALLEL
        list.push_back(makePartitionCommand());
#endif
        return list;
    }();
    return s_commands;
}

} // namespace zevgeom
