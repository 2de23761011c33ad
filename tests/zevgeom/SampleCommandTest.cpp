// zevgeom sample: the counts of each method on the built-in box and on an open patch, points on the surface
// with the carried values, repeatable seeds, the written files, and the usage errors.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"
#include "zev/io/MeshFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using Json = nlohmann::ordered_json;

using zevgeomtest::Outcome;
using zevgeomtest::run;
using zevgeomtest::runJson;

std::string scratch(std::string const& p_name)
{
    return ::testing::TempDir() + "zevgeom-sample-" + std::to_string(getpid()) + "-" + p_name;
}

// A flat 3x3 patch of unit quads in z = 0 with the point field 10 + x.
std::string writePatch()
{
    std::string const path = scratch("patch.vtk");
    std::ofstream f(path);
    f << "# vtk DataFile Version 3.0\npatch\nASCII\nDATASET POLYDATA\nPOINTS 16 float\n";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            f << i << ' ' << j << " 0\n";
    f << "POLYGONS 9 45\n";
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            f << "4 " << j * 4 + i << ' ' << j * 4 + i + 1 << ' ' << j * 4 + i + 5 << ' ' << j * 4 + i + 4
              << '\n';
    f << "POINT_DATA 16\nSCALARS f float 1\nLOOKUP_TABLE default\n";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            f << 10 + i << '\n';
    return path;
}

TEST(ZevgeomSample, CountsPerMethod)
{
    // On the box the vertex and face-centre methods give one point per boundary vertex and face.
    Json const boundary = runJson({"boundary", "-o", scratch("boundary.vtk")});
    std::remove(scratch("boundary.vtk").c_str());
    EXPECT_EQ(runJson({"sample", "--method", "vertices"})["count"], boundary["vertices"]);
    EXPECT_EQ(runJson({"sample", "--method", "face-centres"})["count"], boundary["faces"]);
    // A closed surface has no free edge: no points and a warning.
    Outcome const closed = run({"sample", "--method", "free-edges"});
    EXPECT_EQ(closed.code, 0);
    EXPECT_EQ(closed.err, "zevgeom: warning: no sample points were placed\n");
    EXPECT_NE(closed.out.find("\ncount           0\n"), std::string::npos) << closed.out;

    std::string const patch = writePatch();
    struct Case {
        std::vector<std::string> args;
        int count;
    };
    Case const cases[] = {
        {{"--method", "vertices"}, 16},
        {{"--method", "face-centres"}, 9},
        {{"--method", "free-edges"}, 12},
        {{"--method", "vertices", "--count", "5"}, 5},
        {{"--method", "random", "--count", "37"}, 37},
    };
    for (Case const& c : cases) {
        std::vector<std::string> args{"sample", patch, "--var", "f"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Json const doc = runJson(args);
        SCOPED_TRACE(c.args[1]);
        ASSERT_EQ(doc["count"], c.count);
        ASSERT_EQ(doc["points"].size(), static_cast<std::size_t>(c.count));
        EXPECT_NEAR(doc["area"].get<double>(), 9.0, 1e-6);
        EXPECT_NEAR(doc["areaPerPoint"].get<double>(), 9.0 / c.count, 1e-6);
        for (Json const& p : doc["points"]) {
            double const x = p["point"][0].get<double>();
            EXPECT_GE(x, -1e-6);
            EXPECT_LE(x, 3 + 1e-6);
            EXPECT_EQ(p["point"][2], 0.0);
            // Every point carries the linear field 10 + x exactly.
            EXPECT_NEAR(p["value"].get<double>(), 10 + x, 1e-5) << p.dump();
        }
    }
    std::remove(patch.c_str());
}

TEST(ZevgeomSample, PointsOnTheBoxSurfaceAndRepeatableSeeds)
{
    for (std::string method : {"random", "equal-area", "equal-area-random", "grid"}) {
        SCOPED_TRACE(method);
        Json const doc =
            runJson({"sample", "--method", method, "--count", "60", "--seed", "7", "--expr", "0*x+7"});
        ASSERT_GT(doc["count"].get<int>(), 0);
        if (method == "random") {
            EXPECT_EQ(doc["count"], 60);
        }
        for (Json const& p : doc["points"]) {
            double depth = 1;
            for (int k = 0; k < 3; ++k) {
                double const c = p["point"][k].get<double>();
                EXPECT_GE(c, -1e-5);
                EXPECT_LE(c, 1 + 1e-5);
                depth = std::min({depth, std::fabs(c), std::fabs(1 - c)});
            }
            EXPECT_LE(depth, 1e-5) << p.dump();
            // A constant carried by weights that sum to one stays constant.
            EXPECT_NEAR(p["value"].get<double>(), 7.0, 1e-5);
        }
    }
    Outcome const a = run({"sample", "--method", "random", "--count", "25", "--seed", "3"});
    Outcome const b = run({"sample", "--method", "random", "--count", "25", "--seed", "3"});
    Outcome const c = run({"sample", "--method", "random", "--count", "25", "--seed", "4"});
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, c.out);
}

TEST(ZevgeomSample, WrittenFiles)
{
    std::string const csv = scratch("points.csv");
    Json const doc = runJson({"sample", "--method", "face-centres", "--var", "linear", "-o", csv});
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "x,y,z,linear");
    std::size_t rows = 0;
    while (std::getline(in, line)) {
        double x = 0, y = 0, z = 0, v = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &z, &v), 4) << line;
        Json const& p = doc["points"][rows];
        EXPECT_EQ(x, p["point"][0].get<double>());
        EXPECT_EQ(v, p["value"].get<double>());
        ++rows;
    }
    EXPECT_EQ(rows, doc["count"].get<std::size_t>());
    std::remove(csv.c_str());

    std::string const vtk = scratch("points.vtk");
    Json const cloud =
        runJson({"sample", "--method", "random", "--count", "12", "--var", "pressure", "-o", vtk});
    EXPECT_EQ(cloud["output"], vtk);
    zev::io::MeshData const back = zev::io::readMeshFile(vtk);
    EXPECT_EQ(back.numPoints(), 12u);
    ASSERT_NE(back.findPointArray("pressure"), nullptr);
    EXPECT_EQ(back.findPointArray("pressure")->values.size(), 12u);
    std::remove(vtk.c_str());

    Outcome const unwritable = run({"sample", "--method", "vertices", "-o", "/nonexistent-folder/p.csv"});
    EXPECT_EQ(unwritable.code, 2);
    EXPECT_EQ(unwritable.err,
              "zevgeom: /nonexistent-folder/p.csv: cannot create the file: its folder does not exist\n");
}

TEST(ZevgeomSample, UsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    Case const cases[] = {
        {{"sample"},
         "sample needs --method random|grid|vertices|face-centres|free-edges|equal-area|equal-area-random"},
        {{"sample", "--method", "spiral", "--count", "3"},
         "--method takes random, grid, vertices, face-centres, free-edges, equal-area or equal-area-random, "
         "not "
         "'spiral'"},
        {{"sample", "--method", "random"}, "sample --method random needs --count N"},
        {{"sample", "--method", "random", "--count", "0"}, "--count takes a positive whole number, not '0'"},
        {{"sample", "--method", "random", "--count", "3x"},
         "--count takes a positive whole number, not '3x'"},
        {{"sample", "--method", "random", "--count", "99999999999"},
         "--count takes a positive whole number, not '99999999999'"},
        {{"sample", "--method", "random", "--count", "3", "--seed", "s"},
         "--seed takes a whole number, not 's'"},
        {{"sample", "--method", "equal-area", "--count", "3", "--accuracy", "best"},
         "--accuracy takes low, medium or high, not 'best'"},
        {{"sample", "--method", "vertices", "--var", "a", "--expr", "x"},
         "sample takes at most one of --var NAME and --expr EXPR"},
        {{"sample", "--method", "vertices", "--var", "region"},
         "'region' lives on elements; only vertex variables have values at points (--point-data averages "
         "cell values to the vertices)"},
    };
    for (Case const& c : cases) {
        Outcome const o = run(c.args);
        EXPECT_EQ(o.code, 1) << c.message;
        EXPECT_EQ(o.err, "zevgeom: " + c.message + "\nRun 'zevgeom sample --help' for its usage.\n");
    }
    // A count whose points cannot fit in memory is refused before the mesh is even read.
    Outcome const huge = run({"sample", "--method", "random", "--count", "2147483647"});
    EXPECT_EQ(huge.code, 1);
    EXPECT_EQ(huge.err.rfind("zevgeom: --count 2147483647 needs about 600 GB of memory, more than the ", 0),
              0u)
        << huge.err;
}

} // namespace
