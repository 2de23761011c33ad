// zevgeom iso on the built-in mixed box: isosurfaces of a variable and of an expression, the values carried
// onto them, and the usage errors.
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

TEST(ZevgeomIso, IsosurfacesCarryTheirValues)
{
    std::string const path = ::testing::TempDir() + "zevgeom-iso-" + std::to_string(getpid()) + ".vtk";
    // x = 0.3 cuts the unit box in a unit square; linear = 1 + 2x + 3y + 4z is carried exactly onto it.
    Outcome const r =
        run({"iso", "--iso-expr", "x", "--value", "0.3", "--var", "linear", "-o", path, "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(doc["iso"].dump(), R"({"expression":"x","value":0.3})");
    EXPECT_NEAR(doc["area"].get<double>(), 1.0, 1e-5);
    EXPECT_NEAR(doc["average"].get<double>(), 1 + 2 * 0.3 + 1.5 + 2.0, 1e-4);
    zev::io::MeshData const surface = zev::io::readMeshFile(path);
    zev::io::DataArray const* linear = surface.findPointArray("linear");
    ASSERT_NE(linear, nullptr);
    ASSERT_GT(surface.numPoints(), 0u);
    for (std::size_t i = 0; i < surface.numPoints(); ++i) {
        double const x = surface.points[3 * i], y = surface.points[3 * i + 1], z = surface.points[3 * i + 2];
        EXPECT_NEAR(x, 0.3, 1e-6);
        EXPECT_NEAR(linear->values[i], 1 + 2 * x + 3 * y + 4 * z, 1e-5) << i;
    }

    // The isosurface of a variable holds that variable's iso value at every vertex.
    Outcome const level = run({"iso", "--iso-var", "linear", "--value", "5", "-o", path});
    ASSERT_EQ(level.code, 0) << level.err;
    EXPECT_NE(level.out.find("\niso  "), std::string::npos) << level.out;
    EXPECT_NE(level.out.find("  linear = 5\n"), std::string::npos) << level.out;
    zev::io::MeshData const flat = zev::io::readMeshFile(path);
    linear = flat.findPointArray("linear");
    ASSERT_NE(linear, nullptr);
    for (double v : linear->values) {
        EXPECT_NEAR(v, 5.0, 1e-5);
    }
    std::remove(path.c_str());
}

TEST(ZevgeomIso, UsageErrors)
{
    std::vector<std::pair<std::vector<std::string>, std::string>> const cases{
        {{"iso", "--value", "1"}, "iso needs exactly one of --iso-var NAME and --iso-expr EXPR"},
        {{"iso", "--iso-var", "linear", "--iso-expr", "x", "--value", "1"},
         "iso needs exactly one of --iso-var NAME and --iso-expr EXPR"},
        {{"iso", "--iso-var", "linear"}, "iso needs --value V"},
        {{"iso", "--iso-var", "linear", "--value", "one"}, "--value takes a number, not 'one'"},
        {{"iso", "--iso-var", "velocity", "--value", "1"},
         "'velocity' is not a scalar; an isosurface needs one value per vertex"},
        {{"iso", "--iso-var", "region", "--value", "1.5"},
         "'region' does not live at the vertices; an isosurface needs vertex values (--point-data averages "
         "cell values to the vertices)"},
    };
    for (auto const& [args, message] : cases) {
        Outcome const r = run(args);
        EXPECT_EQ(r.code, 1) << message;
        EXPECT_EQ(r.err, "zevgeom: " + message + "\nRun 'zevgeom iso --help' for its usage.\n");
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
