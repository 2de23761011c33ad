// zevgeom select on the built-in mixed box: sides that partition the box, a sphere bounded by its exclusive
// and inclusive selections, value ranges, the written selection, and the usage errors.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"
#include "zev/io/MeshFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace {

using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

nlohmann::ordered_json select(std::vector<std::string> p_args)
{
    p_args.insert(p_args.begin(), "select");
    p_args.push_back("--json");
    Outcome const r = run(p_args);
    EXPECT_EQ(r.code, 0) << r.err;
    return r.code == 0 ? nlohmann::ordered_json::parse(r.out) : nlohmann::ordered_json();
}

TEST(ZevgeomSelect, SidesPartitionTheBoxAndBoundTheSphere)
{
    double const pi = 3.14159265358979323846;
    // A tilted plane through no vertex: exclusive below and above leave out only the elements it crosses,
    // which inclusive keeps on both sides.
    std::string const plane = "0.4,0.45,0.43,0.2,0.3,1";
    nlohmann::ordered_json const below = select({"--plane", plane, "--side", "below"});
    nlohmann::ordered_json const above = select({"--plane", plane, "--side", "above"});
    nlohmann::ordered_json const aboveInclusive =
        select({"--plane", plane, "--side", "above", "--inclusive"});
    nlohmann::ordered_json const belowInclusive =
        select({"--plane", plane, "--side", "below", "--inclusive"});
    EXPECT_NEAR(below["volume"].get<double>() + aboveInclusive["volume"].get<double>(), 1.0, 1e-5);
    EXPECT_NEAR(above["volume"].get<double>() + belowInclusive["volume"].get<double>(), 1.0, 1e-5);
    EXPECT_EQ(below["elements"].get<int>() + aboveInclusive["elements"].get<int>(), 648);
    EXPECT_EQ(below["plane"].dump(),
              R"({"point":[0.4,0.45,0.43],"normal":[0.2,0.3,1.0],"side":"below","inclusive":false})");

    // The octant of the sphere of radius 0.5 about a corner lies between its exclusive and inclusive
    // selections.
    double const octant = pi / 6 * 0.125;
    nlohmann::ordered_json const inside = select({"--sphere", "0,0,0,0.5", "--side", "inside"});
    nlohmann::ordered_json const touching =
        select({"--sphere", "0,0,0,0.5", "--side", "inside", "--inclusive"});
    nlohmann::ordered_json const outside =
        select({"--sphere", "0,0,0,0.5", "--side", "outside", "--inclusive"});
    EXPECT_LT(inside["volume"].get<double>(), octant);
    EXPECT_GT(touching["volume"].get<double>(), octant);
    EXPECT_NEAR(inside["volume"].get<double>() + outside["volume"].get<double>(), 1.0, 1e-5);
}

TEST(ZevgeomSelect, RangesIntegralsAndTheWrittenSelection)
{
    // Between two values the bounds may come in either order; a layer of the box by its z range.
    nlohmann::ordered_json const layer =
        select({"--range-expr", "z", "--min", "0.1", "--max", "0.6", "--var", "linear"});
    nlohmann::ordered_json const swapped =
        select({"--range-expr", "z", "--min", "0.6", "--max", "0.1", "--var", "linear"});
    EXPECT_EQ(layer["elements"], swapped["elements"]);
    EXPECT_EQ(layer["volume"], swapped["volume"]);
    // Exclusive: the elements with every vertex strictly inside 0.1 < z < 0.6: the cells of the layers
    // 1/6 <= z <= 1/2, and in the twelve pyramid columns the pyramid below each cell centre at z = 7/12
    // (a sixth of its cell, centroid at z = 1/2 + 1/48). x and y average 1/2 over both parts.
    double const extra = 12.0 / 6 / 216;
    double const volume = 1.0 / 3 + extra;
    double const zMean = (1.0 / 3 * 1.0 / 3 + extra * (0.5 + 1.0 / 48)) / volume;
    EXPECT_NEAR(layer["volume"].get<double>(), volume, 1e-5);
    // linear = 1 + 2x + 3y + 4z; vertex shares of a pyramid's volume are not exact for a linear field, so
    // the tolerance is the size of that lumping error on the twelve small pyramids.
    EXPECT_NEAR(layer["average"].get<double>(), 3.5 + 4 * zMean, 1e-3);
    EXPECT_NEAR(layer["integral"].get<double>(), (3.5 + 4 * zMean) * volume, 1e-3);

    // Above --min alone, below --max alone: complementary when one is inclusive.
    nlohmann::ordered_json const high = select({"--range-var", "linear", "--min", "5"});
    nlohmann::ordered_json const low = select({"--range-var", "linear", "--max", "5", "--inclusive"});
    EXPECT_EQ(high["range"].dump(), R"({"variable":"linear","min":5.0,"max":null,"inclusive":false})");
    EXPECT_EQ(high["elements"].get<int>() + low["elements"].get<int>(), 648);

    std::string const path = ::testing::TempDir() + "zevgeom-select-" + std::to_string(getpid()) + ".vtu";
    Outcome const r = run({"select", "--range-expr", "z", "--min", "0.1", "--max", "0.6", "-o", path});
    ASSERT_EQ(r.code, 0) << r.err;
    zev::io::MeshData const mesh = zev::io::readMeshFile(path);
    EXPECT_EQ(mesh.numCells(), layer["elements"].get<std::size_t>());
    ASSERT_EQ(mesh.pointData.size(), 3u);
    for (std::size_t i = 0; i < mesh.numPoints(); ++i) {
        EXPECT_GE(mesh.points[3 * i + 2], 1.0 / 6 - 1e-6);
        EXPECT_LE(mesh.points[3 * i + 2], 7.0 / 12 + 1e-6);
    }
    std::remove(path.c_str());
}

TEST(ZevgeomSelect, UsageErrors)
{
    std::vector<std::pair<std::vector<std::string>, std::string>> const cases{
        {{"select"}, "select needs exactly one of --plane, --sphere, --range-var and --range-expr"},
        {{"select", "--plane", "0,0,0,0,0,1", "--sphere", "0,0,0,1", "--side", "above"},
         "select needs exactly one of --plane, --sphere, --range-var and --range-expr"},
        {{"select", "--plane", "0,0,0,0,0,1"}, "--side takes above or below of a plane"},
        {{"select", "--sphere", "0,0,0,1", "--side", "above"}, "--side takes inside or outside of a sphere"},
        {{"select", "--sphere", "0,0,0", "--side", "inside"}, "--sphere takes CX,CY,CZ,R, not '0,0,0'"},
        {{"select", "--sphere", "0,0,0,-1", "--side", "inside"},
         "--sphere needs a radius that is not negative"},
        {{"select", "--plane", "0,0,0,0,0,0", "--side", "above"}, "--plane needs a normal that is not zero"},
        {{"select", "--range-var", "linear"}, "a range needs --min A, --max B or both"},
        {{"select", "--range-var", "linear", "--min", "x"}, "--min takes a number, not 'x'"},
        {{"select", "--range-var", "linear", "--min", "1", "--side", "above"},
         "--side goes with --plane or --sphere"},
        {{"select", "--range-var", "region", "--min", "1"},
         "'region' does not live at the vertices; a range selects by vertex values (--point-data averages "
         "cell values to the vertices)"},
        {{"select", "--range-var", "velocity", "--min", "1"},
         "'velocity' is not a scalar; a range needs one value per vertex"},
    };
    for (auto const& [args, message] : cases) {
        Outcome const r = run(args);
        EXPECT_EQ(r.code, 1) << message;
        EXPECT_EQ(r.err, "zevgeom: " + message + "\nRun 'zevgeom select --help' for its usage.\n");
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
