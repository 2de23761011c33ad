// zevgeom probe on the built-in mixed box: values at points inside hexahedra, wedges and pyramids, element
// values, points outside, the CSV point file and the usage and file errors.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

std::string scratchFile(std::string const& p_name, std::string const& p_text)
{
    std::string const path =
        ::testing::TempDir() + "zevgeom-probe-" + std::to_string(getpid()) + "-" + p_name;
    std::ofstream(path) << p_text;
    return path;
}

// The linear field 1 + 2x + 3y + 4z is reproduced inside every shape of the mixed box.
TEST(ZevgeomProbe, InterpolatesVertexValuesAndReportsOutsidePoints)
{
    // In a hexahedron, a wedge, a pyramid, at a shared vertex, on a box face, and outside.
    std::vector<std::array<double, 3>> const points{{0.05, 0.05, 0.05}, {0.3, 0.04, 0.41}, {0.3, 0.7, 0.41},
                                                    {0.5, 0.5, 0.5},    {1.0, 0.25, 0.6},  {2.0, 0.0, 0.0}};
    std::vector<std::string> args{"probe", "--var", "linear", "--json"};
    for (auto const& p : points) {
        std::ostringstream at;
        at << p[0] << ',' << p[1] << ',' << p[2];
        args.insert(args.end(), {"--at", at.str()});
    }
    Outcome const r = run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(doc["variable"], "linear");
    EXPECT_EQ(doc["location"], "vertex");
    ASSERT_EQ(doc["points"].size(), points.size());
    std::set<std::string> sets;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        nlohmann::ordered_json const& row = doc["points"][i];
        auto const& p = points[i];
        EXPECT_EQ(row["x"], p[0]);
        EXPECT_TRUE(row["inside"]) << i;
        EXPECT_NEAR(row["value"].get<double>(), 1 + 2 * p[0] + 3 * p[1] + 4 * p[2], 1e-5) << i;
        sets.insert(row["set"].get<std::string>());
    }
    // The first three points lie in three different element sets.
    EXPECT_EQ(sets.size(), 3u);
    EXPECT_EQ(doc["points"][5].dump(),
              R"({"x":2.0,"y":0.0,"z":0.0,"inside":false,"set":null,"element":null,"value":null})");

    Outcome const table = run({"probe", "--at", "0.05,0.05,0.05", "--at", "2,0,0", "--var", "linear"});
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_EQ(table.out, "mesh      default mesh (mixed box 6x6x6)\n"
                         "variable  linear (vertex)\n"
                         "\n"
                         "x     y     z     value       set      element\n"
                         "0.05  0.05  0.05  1.45000017  ES1      0\n"
                         "2     0     0     undefined   outside  -\n");
}

TEST(ZevgeomProbe, ElementValuesExpressionsAndPointFiles)
{
    // The region is 1 below z = 0.5 and 2 above; an element value is taken as it is.
    Outcome const region =
        run({"probe", "--at", "0.05,0.05,0.2", "--at", "0.5,0.5,0.8", "--var", "region", "--json"});
    ASSERT_EQ(region.code, 0) << region.err;
    nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(region.out);
    EXPECT_EQ(doc["location"], "element");
    EXPECT_EQ(doc["points"][0]["value"], 1.0);
    EXPECT_EQ(doc["points"][0]["element"], 12); // the first hexahedron of the second layer
    EXPECT_EQ(doc["points"][1]["value"], 2.0);

    // Comments, blank lines and spaces around the numbers are skipped; points keep the file's order.
    std::string const file = scratchFile("points.csv", "# probes\n0.1, 0.2 ,0.3  # first\n\n1,1,1\r\n");
    Outcome const expr = run({"probe", "--points", file, "--expr", "x+2*y", "--json"});
    ASSERT_EQ(expr.code, 0) << expr.err;
    nlohmann::ordered_json const e = nlohmann::ordered_json::parse(expr.out);
    EXPECT_EQ(e["expression"], "x+2*y");
    ASSERT_EQ(e["points"].size(), 2u);
    EXPECT_NEAR(e["points"][0]["value"].get<double>(), 0.5, 1e-6);
    EXPECT_NEAR(e["points"][1]["value"].get<double>(), 3.0, 1e-6);
    std::remove(file.c_str());
}

TEST(ZevgeomProbe, Errors)
{
    std::string const bad = scratchFile("bad.csv", "0,0,0\n1,2\n");
    // A long bad line is quoted by its first 40 characters only.
    std::string const longLine = scratchFile("long.csv", "1,2," + std::string(5000, '7') + "x\n");
    std::string const fifo = ::testing::TempDir() + "zevgeom-probe-" + std::to_string(getpid()) + "-fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    std::vector<Case> const cases{
        {{"probe", "--var", "linear"}, 1, "zevgeom: probe needs either --at X,Y,Z or --points FILE\n"},
        {{"probe", "--at", "0,0,0", "--points", bad, "--var", "linear"},
         1,
         "zevgeom: probe needs either --at X,Y,Z or --points FILE\n"},
        {{"probe", "--at", "1,2", "--var", "linear"}, 1, "zevgeom: --at takes X,Y,Z, not '1,2'\n"},
        {{"probe", "--at", "1,2,nan", "--var", "linear"}, 1, "zevgeom: --at takes X,Y,Z, not '1,2,nan'\n"},
        {{"probe", "--at", "1,2,3,4", "--var", "linear"}, 1, "zevgeom: --at takes X,Y,Z, not '1,2,3,4'\n"},
        {{"probe", "--at", "0,0,0"}, 1, "zevgeom: probe needs exactly one of --var NAME and --expr EXPR\n"},
        {{"probe", "--at", "0,0,0", "--var", "nope"},
         1,
         "zevgeom: no variable 'nope' in default mesh (mixed box 6x6x6) (variables: linear, pressure, "
         "velocity, region)\n"},
        {{"probe", "--points", bad, "--var", "linear"},
         2,
         "zevgeom: " + bad + ":2: expected x,y,z, found '1,2'\n"},
        {{"probe", "--points", bad + ".missing", "--var", "linear"},
         2,
         "zevgeom: " + bad + ".missing: cannot open the file\n"},
        {{"probe", "--points", longLine, "--var", "linear"},
         2,
         "zevgeom: " + longLine + ":1: expected x,y,z, found '1,2," + std::string(36, '7') + "...'\n"},
        // A device or a pipe never ends, or blocks: only regular files are read, as for meshes.
        {{"probe", "--points", "/dev/zero", "--var", "linear"},
         2,
         "zevgeom: /dev/zero: is not a regular file (a device, pipe or socket); give a points file\n"},
        {{"probe", "--points", fifo, "--var", "linear"},
         2,
         "zevgeom: " + fifo + ": is not a regular file (a device, pipe or socket); give a points file\n"},
    };
    for (Case const& c : cases) {
        Outcome const r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[2];
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.err) << c.args[2];
        EXPECT_EQ(r.out, "");
    }
    for (std::string const& path : {bad, longLine, fifo}) {
        std::remove(path.c_str());
    }
}

} // namespace
