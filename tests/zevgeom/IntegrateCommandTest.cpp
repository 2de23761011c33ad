// integrate over sets, vector components and normals in expressions, and fluxes through patches, slices and
// isosurfaces, against values known in closed form: linear fields, whose integrals the vertex weighting
// gets exactly, and pairs of questions that must agree.
#include "tests/zevgeom/ToolRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using zevgeomtest::run;
using zevgeomtest::runJson;
using Json = nlohmann::ordered_json;

// The unit cube as one hexahedron with two patches: region 3 on x = 1, wound outwards, and region 4 on
// x = 0, wound inwards (both towards +x). U = (1 + x, 2y, 3z), of divergence 6; s = x. The cell vector W
// is (1, 0, 0) on both patches and (5, 5, 5) in the hexahedron.
std::string writeCube()
{
    std::string const path = ::testing::TempDir() + "zevgeom-flux-" + std::to_string(getpid()) + ".vtk";
    std::ofstream(path) << "# vtk DataFile Version 3.0\ncube\nASCII\nDATASET UNSTRUCTURED_GRID\n"
                           "POINTS 8 float\n0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 1 0 1 1\n"
                           "CELLS 3 19\n8 0 1 2 3 4 5 6 7\n4 1 2 6 5\n4 0 3 7 4\nCELL_TYPES 3\n12\n9\n9\n"
                           "CELL_DATA 3\nSCALARS patch int 1\nLOOKUP_TABLE default\n1 3 4\nVECTORS W "
                           "float\n5 5 5 1 0 0 1 0 0\n"
                           "POINT_DATA 8\nVECTORS U float\n1 0 0 2 0 0 2 2 0 1 2 0 1 0 3 2 0 3 2 2 3 1 2 3\n"
                           "SCALARS s float 1\nLOOKUP_TABLE default\n0 1 1 0 0 1 1 0\n";
    return path;
}

double at(Json const& p_doc, std::string const& p_pointer)
{
    Json const& value = p_doc.at(Json::json_pointer(p_pointer));
    EXPECT_TRUE(value.is_number()) << p_pointer << " in " << p_doc.dump(1);
    return value.is_number() ? value.get<double>() : 0.0;
}

TEST(ZevgeomIntegrate, SetsComponentsNormalsAndFluxes)
{
    std::string const cube = writeCube();
    std::vector<std::string> const patches{cube, "--region", "patch"};
    auto on = [&patches](std::vector<std::string> p_args) {
        p_args.insert(p_args.begin() + 1, patches.begin(), patches.end());
        return p_args;
    };
    struct Case {
        std::vector<std::string> args;
        std::string pointer;
        double expected;
        double tolerance;
    };
    std::vector<Case> const cases{
        // Each set measured on its own; a patch by its name, wound either way, gives the outward flux.
        {on({"info"}), "/elements/sets/0/volume", 1.0, 1e-6},
        {on({"info"}), "/faces/sets/1/area", 1.0, 1e-6},
        {on({"integrate", "--flux", "U"}), "/flux", 6.0, 1e-5},
        {on({"integrate", "--flux", "U", "--over", "region3-QUAD"}), "/flux", 2.0, 1e-6},
        {on({"integrate", "--flux", "U", "--over", "region4-QUAD"}), "/flux", -1.0, 1e-6},
        {on({"integrate", "--flux", "U", "--over", "boundary", "--over", "region4-QUAD"}), "/1/flux", -1.0,
         1e-6},
        // A cell array lives on the elements and the faces: a patch reads the faces', the set its elements'.
        {on({"integrate", "--flux", "W", "--over", "region4-QUAD"}), "/flux", -1.0, 1e-6},
        {on({"integrate", "--expr", "W_x", "--over", "region3-QUAD", "--over", "ES1"}), "/0/integral", 1.0,
         1e-6},
        {on({"integrate", "--expr", "W_x", "--over", "region3-QUAD", "--over", "ES1"}), "/1/integral", 5.0,
         1e-6},
        {on({"integrate", "--var", "s", "--over", "region4-QUAD", "--over", "region3-QUAD", "--over", "ES1"}),
         "/1/integral", 1.0, 1e-6},
        {on({"integrate", "--var", "s", "--over", "region4-QUAD", "--over", "region3-QUAD", "--over", "ES1"}),
         "/2/integral", 0.5, 1e-6},
        {on({"integrate", "--var", "s", "--over", "region4-QUAD", "--over", "region3-QUAD", "--over", "ES1"}),
         "/0/area", 1.0, 1e-6},
        {on({"integrate", "--expr", "U_x + {U Y} - 2*y", "--over", "region3-QUAD"}), "/integral", 2.0, 1e-6},
        // Normal is the faces' own, as wound; a flux is turned by the question.
        {on({"integrate", "--expr", "{Normal X}", "--over", "region4-QUAD"}), "/integral", 1.0, 1e-6},
        {on({"integrate", "--expr", "{Normal X}", "--over", "boundary"}), "/integral", 0.0, 1e-6},
        {on({"slice", "--plane", "0.25,0,0,-2,0,0", "--flux", "U"}), "/flux", -1.25, 1e-6},
        {on({"slice", "--plane", "0.25,0,0,-2,0,0", "--expr", "{Normal X}*U_x"}), "/integral", -1.25, 1e-6},
        {on({"iso", "--iso-var", "s", "--value", "0.25", "--flux", "U"}), "/flux", 1.25, 1e-6},
        {on({"iso", "--iso-expr", "-s", "--value", "-0.25", "--flux", "U"}), "/flux", -1.25, 1e-6},
        // The built-in box: three element sets of a third each, which together make the whole volume.
        {{"info"}, "/elements/sets/2/volume", 1.0 / 3, 1e-6},
        {{"integrate", "--var", "linear", "--over", "ES1", "--over", "ES2", "--over", "ES3"},
         "/0/integral",
         5.5 -
             runJson({"integrate", "--var", "linear", "--over", "ES2", "--over", "ES3"})[0]["integral"]
                 .get<double>() -
             runJson({"integrate", "--var", "linear", "--over", "ES3"})["integral"].get<double>(),
         1e-6},
        {{"integrate", "--var", "linear"}, "/integral", 5.5, 1e-5},
        // Components agree with the field's own formula: velocity = (0.5 - y, x - 0.5, 1 - 2 r^2).
        {{"integrate", "--expr", "velocity_x*y"},
         "/integral",
         runJson({"integrate", "--expr", "(0.5-y)*y"})["integral"].get<double>(),
         1e-6},
        {{"integrate", "--expr", "{velocity Z}", "--over", "ES2"},
         "/integral",
         runJson({"integrate", "--expr", "1-2*((x-0.5)^2+(y-0.5)^2)", "--over", "ES2"})["integral"]
             .get<double>(),
         1e-6},
        {{"integrate", "--var", "velocity_y", "--over", "boundary"}, "/integral", 0.0, 1e-6},
        // The flux through a slice is the normal component integrated over it, along the plane's normal.
        {{"slice", "--plane", "0.5,0.5,0.3,0,0,-1", "--flux", "velocity"},
         "/flux",
         -runJson({"slice", "--plane", "0.5,0.5,0.3,0,0,1", "--var", "velocity_z"})["integral"].get<double>(),
         1e-6},
        {{"integrate", "--flux", "velocity"}, "/flux", 0.0, 1e-6},
    };
    for (Case const& c : cases) {
        std::string const command = c.args.front() + " " + c.args.back();
        Json const doc = runJson(c.args);
        if (!doc.is_null()) {
            EXPECT_NEAR(at(doc, c.pointer), c.expected, c.tolerance) << command << " " << c.pointer;
        }
    }

    // The set listing gains a volume and an area column; the rest of the report stays.
    zevgeomtest::Outcome const info = run(on({"info"}));
    EXPECT_NE(info.out.find("set           kind     type  count  volume  area\n"
                            "ES1           element  Hex   1      1\n"
                            "region3-QUAD  face     Quad  1              1\n"),
              std::string::npos)
        << info.out;

    struct Failure {
        std::vector<std::string> args;
        std::string message;
    };
    std::vector<Failure> const failures{
        {{"integrate", "--expr", "velocity_w+nope"},
         "cannot evaluate 'velocity_w+nope': it must combine numbers, x, y, z and variables of one location; "
         "no "
         "variables 'velocity_w', 'nope' in default mesh (mixed box 6x6x6) (variables: linear, pressure, "
         "velocity, "
         "region)"},
        {{"integrate", "--expr", "velocity[2]"},
         "cannot evaluate 'velocity[2]' at position 9: Unexpected token \"[2] \" found at position 9."},
        {{"integrate", "--var", "s", "--over", "inlet"},
         "no face or element set 'inlet' (sets: ES1, ES2, ES3)"},
        {{"integrate", "--flux", "velocity", "--over", "volume"},
         "a flux goes through a surface: --over boundary or a face set, not volume"},
        {{"integrate", "--flux", "pressure"}, "'pressure' is not a vector; the flux is of a vector variable"},
        {on({"integrate", "--flux", "U", "--over", "ES1"}),
         "'ES1' names element sets; the flux goes through a face set or the boundary"},
    };
    for (Failure const& f : failures) {
        zevgeomtest::Outcome const o = run(f.args);
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.err.substr(0, o.err.find('\n')), "zevgeom: " + f.message);
    }
    std::remove(cube.c_str());
}

} // namespace
