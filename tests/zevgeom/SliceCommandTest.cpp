// zevgeom slice on the built-in mixed box: the area and integral of a known plane, the slice file with its
// carried variables, a plane that misses the mesh, and the usage errors; and what the files of slice, iso
// and select carry, cell values among them.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"
#include "zev/io/MeshFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <unistd.h>

namespace {

using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

TEST(ZevgeomSlice, DiagonalPlaneAreaIntegralAndCarriedVariables)
{
    std::string const path = ::testing::TempDir() + "zevgeom-slice-" + std::to_string(getpid()) + ".vtp";
    // x + y + z = 1.5 through the unit box: a regular hexagon of area 3√3/4, on which x+y+z is 1.5.
    Outcome const r = run({"slice", "--plane", "0.5,0.5,0.5,1,1,1", "--expr", "x+y+z", "-o", path, "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(doc["plane"].dump(), R"({"point":[0.5,0.5,0.5],"normal":[1.0,1.0,1.0]})");
    EXPECT_NEAR(doc["area"].get<double>(), 3 * std::sqrt(3.0) / 4, 1e-5);
    EXPECT_NEAR(doc["average"].get<double>(), 1.5, 1e-5);
    EXPECT_NEAR(doc["integral"].get<double>(), 1.5 * 3 * std::sqrt(3.0) / 4, 1e-5);
    std::size_t faces = 0;
    for (auto const& set : doc["sets"]) {
        EXPECT_EQ(set["name"].get<std::string>().rfind("slice:", 0), 0u);
        faces += set["count"].get<std::size_t>();
    }
    EXPECT_EQ(doc["faces"], faces);

    // The file holds the slice with every point variable and the expression; the linear field is exact at
    // the cut vertices.
    zev::io::MeshData const mesh = zev::io::readMeshFile(path);
    EXPECT_EQ(mesh.numPoints(), doc["vertices"].get<std::size_t>());
    EXPECT_EQ(mesh.numCells(), faces);
    ASSERT_EQ(mesh.pointData.size(), 4u);
    ASSERT_NE(mesh.findPointArray("x+y+z"), nullptr);
    zev::io::DataArray const* linear = mesh.findPointArray("linear");
    ASSERT_NE(linear, nullptr);
    EXPECT_EQ(mesh.findPointArray("velocity")->numComponents, 3);
    for (std::size_t i = 0; i < mesh.numPoints(); ++i) {
        double const x = mesh.points[3 * i], y = mesh.points[3 * i + 1], z = mesh.points[3 * i + 2];
        EXPECT_NEAR(x + y + z, 1.5, 1e-6);
        EXPECT_NEAR(linear->values[i], 1 + 2 * x + 3 * y + 4 * z, 1e-5) << i;
    }
    std::remove(path.c_str());

    // A plane that misses the mesh gives an empty slice with nothing to integrate: not an error.
    Outcome const miss = run({"slice", "--plane", "5,5,5,1,0,0", "--var", "linear"});
    ASSERT_EQ(miss.code, 0) << miss.err;
    EXPECT_EQ(miss.out, "mesh      default mesh (mixed box 6x6x6)\n"
                        "plane     point (5, 5, 5), normal (1, 0, 0)\n"
                        "vertices  0\n"
                        "faces     0\n"
                        "area      0\n"
                        "variable  linear (vertex)\n"
                        "integral  undefined\n"
                        "average   undefined\n");
}

// A normal of any finite length gives its direction, in slice and select alike, even beyond single precision.
TEST(ZevgeomSlice, NormalOfAnyFiniteLength)
{
    using zevgeomtest::runJson;
    double const above = runJson({"select", "--plane", "0.4,0,0,1,0,0", "--side", "above"})["volume"];
    ASSERT_GT(above, 0.4);
    for (std::string const n : {"1e39,0,0", "1e-46,0,0", "-1e-300,0,0"}) {
        EXPECT_NEAR(runJson({"slice", "--plane", "0.4,0,0," + n})["area"].get<double>(), 1.0, 1e-5) << n;
        std::string const side = n[0] == '-' ? "below" : "above";
        EXPECT_EQ(runJson({"select", "--plane", "0.4,0,0," + n, "--side", side})["volume"].get<double>(),
                  above)
            << n;
    }
}

// A plane along cell faces, inside the box (through its vertices) or on its boundary, gives the faces in it
// once whichever way its normal points, and no faces of zero area (cut points at one vertex).
TEST(ZevgeomSlice, PlaneAlongCellFaces)
{
    std::string const base = ::testing::TempDir() + "zevgeom-faces-" + std::to_string(getpid());
    std::string const slice = base + "-slice.vtk";
    std::vector<std::string> meshes{""};
    for (std::string const kind : {"hex", "tet"}) {
        meshes.push_back(base + "-" + kind + ".vtk");
        ASSERT_EQ(run({"generate", kind, "--n", "2", "-o", meshes.back()}).code, 0);
    }
    for (std::string const& mesh : meshes) {
        for (std::string const plane : {"0.5,0.5,0,0,0,1", "0.5,0.5,0,0,0,-1", "0.5,0.5,1,0,0,1",
                                        "0.5,0.5,1,0,0,-1", "0.5,0.5,0.5,0,0,1", "0.5,0.5,0.5,0,0,-1"}) {
            SCOPED_TRACE(mesh + " " + plane);
            std::vector<std::string> args{"slice", "--plane", plane, "-o", slice, "--json"};
            if (!mesh.empty()) {
                args.insert(args.begin() + 1, mesh);
            }
            Outcome const r = run(args);
            ASSERT_EQ(r.code, 0) << r.err;
            nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(r.out);
            EXPECT_NEAR(doc["area"].get<double>(), 1.0, 1e-5);
            zev::io::MeshData const written = zev::io::readMeshFile(slice);
            ASSERT_EQ(written.numCells(), doc["faces"].get<std::size_t>());
            double total = 0;
            for (std::size_t c = 0; c < written.numCells(); ++c) {
                int const* ids = written.cellPoints(c);
                int const n = written.cellSize(c);
                double a[3] = {0, 0, 0};
                for (int k = 0; k < n; ++k) {
                    double const* p = &written.points[3 * std::size_t(ids[k])];
                    double const* q = &written.points[3 * std::size_t(ids[(k + 1) % n])];
                    a[0] += p[1] * q[2] - p[2] * q[1];
                    a[1] += p[2] * q[0] - p[0] * q[2];
                    a[2] += p[0] * q[1] - p[1] * q[0];
                }
                double const area = 0.5 * std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
                EXPECT_GT(area, 1e-6) << "face " << c;
                total += area;
            }
            EXPECT_NEAR(total, 1.0, 1e-5);
        }
    }
    for (std::string const& path : meshes) {
        std::remove(path.c_str());
    }
    std::remove(slice.c_str());
}

// The files of slice, iso and select hold every point and cell array of the mesh and the --var or --expr
// quantity. A cut carries a cell's value onto every face cut from the cell, also where the plane runs along
// cell faces (the faces come from the cells above it, or from the boundary cells below it): the box's
// region (1 below z = 0.5, 2 above) on every written cell is that of the cell's centre, and the integral of
// a cell quantity of one value is that value times the area or volume.
TEST(ZevgeomSlice, FilesCarryPointAndCellArraysAndTheQuantity)
{
    struct Case {
        std::vector<std::string> args;
        std::string quantity; // written as a cell array, or as a point array when value is 0
        double value;         // the quantity's value on every cell; 0: a point array
    };
    std::vector<Case> const cases{
        {{"slice", "--plane", "0,0,0.25,0,0,1", "--var", "region"}, "region", 1},
        {{"slice", "--plane", "0,0,0.75,0,0,1", "--expr", "2*region"}, "2*region", 4},
        {{"slice", "--plane", "0,0,0.5,0,0,1", "--var", "region"}, "region", 2}, // through vertices
        {{"slice", "--plane", "0,0,0,0,0,1", "--var", "region"}, "region", 1},   // on the boundary
        {{"slice", "--plane", "0,0,1,0,0,-1", "--var", "region"}, "region", 2},  // the other boundary
        {{"slice", "--plane", "0.5,0.5,0.5,1,0,0", "--expr", "x+y+z"}, "x+y+z", 0},
        {{"iso", "--iso-expr", "z", "--value", "0.3", "--expr", "region+1"}, "region+1", 2},
        {{"iso", "--iso-var", "linear", "--value", "5", "--var", "linear"}, "linear", 0},
        {{"select", "--plane", "0,0,0.55,0,0,1", "--side", "above", "--expr", "region*3"}, "region*3", 6},
        {{"select", "--range-expr", "z", "--max", "0.5", "--var", "region"}, "region", 1},
    };
    std::string const path = ::testing::TempDir() + "zevgeom-carried-" + std::to_string(getpid()) + ".vtk";
    for (Case const& c : cases) {
        std::string const command = c.args.front();
        SCOPED_TRACE(command + " " + c.args[2] + " " + c.quantity);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", path, "--json"});
        Outcome const r = run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(r.out);
        double const measure = doc[command == "select" ? "volume" : "area"].get<double>();
        ASSERT_GT(measure, 0.1);
        zev::io::MeshData const mesh = zev::io::readMeshFile(path);
        for (char const* name : {"linear", "pressure", "velocity"}) {
            EXPECT_NE(mesh.findPointArray(name), nullptr) << name;
        }
        if (c.value == 0) {
            EXPECT_NE(mesh.findPointArray(c.quantity), nullptr);
        } else {
            EXPECT_NEAR(doc["integral"].get<double>(), c.value * measure, 1e-12 * measure);
            EXPECT_EQ(doc["average"].get<double>(), c.value);
            zev::io::DataArray const* quantity = mesh.findCellArray(c.quantity);
            ASSERT_NE(quantity, nullptr);
            ASSERT_EQ(quantity->values.size(), mesh.numCells());
            for (double v : quantity->values) {
                ASSERT_EQ(v, c.value);
            }
        }
        zev::io::DataArray const* region = mesh.findCellArray("region");
        ASSERT_NE(region, nullptr);
        ASSERT_EQ(region->values.size(), mesh.numCells());
        for (std::size_t cell = 0; cell < mesh.numCells(); ++cell) {
            double z = 0;
            int const n = mesh.cellSize(cell);
            for (int k = 0; k < n; ++k) {
                z += mesh.points[3 * std::size_t(mesh.cellPoints(cell)[k]) + 2] / n;
            }
            ASSERT_EQ(region->values[cell], z < 0.5 ? 1.0 : 2.0) << "cell " << cell << " at z " << z;
        }
    }
    std::remove(path.c_str());
}

TEST(ZevgeomSlice, UsageErrors)
{
    std::vector<std::pair<std::vector<std::string>, std::string>> const cases{
        {{"slice"}, "slice needs --plane PX,PY,PZ,NX,NY,NZ"},
        {{"slice", "--plane", "0,0,0,1,0"}, "--plane takes PX,PY,PZ,NX,NY,NZ, not '0,0,0,1,0'"},
        {{"slice", "--plane", "0,0,0,1,0,inf"}, "--plane takes PX,PY,PZ,NX,NY,NZ, not '0,0,0,1,0,inf'"},
        {{"slice", "--plane", "0,0,0,0,0,0"}, "--plane needs a normal that is not zero"},
        {{"slice", "--plane", "0,0,0,1,0,0", "--var", "linear", "--expr", "x"},
         "slice takes at most one of --var NAME and --expr EXPR"},
        {{"slice", "--plane", "0,0,0,1,0,0", "--var", "nope"},
         "no variable 'nope' in default mesh (mixed box 6x6x6) (variables: linear, pressure, velocity, "
         "region)"},
    };
    for (auto const& [args, message] : cases) {
        Outcome const r = run(args);
        EXPECT_EQ(r.code, 1) << message;
        EXPECT_EQ(r.err, "zevgeom: " + message + "\nRun 'zevgeom slice --help' for its usage.\n");
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
