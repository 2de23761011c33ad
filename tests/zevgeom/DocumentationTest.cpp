// The README's synopsis of the tool is the commands' own usage: a command, option or form that changes in
// one and not the other fails here.
#include "tools/zevgeom/Command.h"
#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Runs of blanks become one space, so that line breaks and indents may differ.
std::string collapsed(std::string const& p_text)
{
    std::string out;
    for (char c : p_text) {
        bool const blank = c == ' ' || c == '\n';
        if (blank && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

// The entries of the README's synopsis block, by command: each starts with "zevgeom NAME" (or
// "mpiexec ... zevgeom NAME") at the start of a line, continued by the indented lines after it.
std::map<std::string, std::string> readmeSynopsis(std::string const& p_readme)
{
    std::size_t const section = p_readme.find("## The zevgeom tool");
    std::size_t const open = p_readme.find("```\n", section);
    std::size_t const close = p_readme.find("```\n", open + 4);
    std::istringstream block(p_readme.substr(open + 4, close - open - 4));
    std::map<std::string, std::string> entries;
    std::string line, command;
    while (std::getline(block, line)) {
        if (line.rfind("zevgeom ", 0) == 0) {
            command = line.substr(8, line.find(' ', 8) - 8);
            entries[command] = line;
        } else if (!command.empty() && line.rfind(" ", 0) == 0) {
            entries[command] += "\n" + line;
        } else {
            command.clear();
        }
    }
    return entries;
}

TEST(ZevgeomDocumentation, ReadmeSynopsisIsTheUsageOfEveryCommand)
{
    std::ifstream in(ZEVGEOM_README);
    ASSERT_TRUE(in) << ZEVGEOM_README;
    std::stringstream text;
    text << in.rdbuf();
    std::map<std::string, std::string> const readme = readmeSynopsis(text.str());
    std::size_t documented = 0;
    for (auto const& command : zevgeom::commands()) {
        std::string const help = command->help();
        std::string const usage = help.substr(0, help.find("\n\n"));
        ASSERT_EQ(usage.rfind("usage: ", 0), 0u) << command->name();
        auto const entry = readme.find(command->name());
        ASSERT_NE(entry, readme.end()) << "the README does not show 'zevgeom " << command->name() << "'";
        EXPECT_EQ(collapsed(entry->second), collapsed(usage.substr(7)));
        ++documented;
    }
    EXPECT_EQ(documented, readme.size()) << "the README shows a command the tool does not have";
    // The global flags and the distributed form are told too.
    for (char const* phrase : {"--quiet", "--timings", "mpiexec -n"}) {
        EXPECT_NE(text.str().find(phrase), std::string::npos) << phrase;
    }
}

} // namespace
