// zevgeom line on the built-in unit box and on a surface file: crossings in order with their values, the
// chords inside, and the usage errors.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <sstream>
#include <unistd.h>

namespace {

using Json = nlohmann::ordered_json;

using zevgeomtest::Outcome;
using zevgeomtest::run;
using zevgeomtest::runJson;

// The box's "linear" field, 1 + 2x + 3y + 4z, at a point.
double linear(double p_x, double p_y, double p_z)
{
    return 1 + 2 * p_x + 3 * p_y + 4 * p_z;
}

TEST(ZevgeomLine, CrossingsAndChordsThroughTheUnitBox)
{
    // Across the bottom and top faces inside a face, in both directions, obliquely, and across the sides.
    struct Case {
        std::vector<double> from, to;
        std::vector<std::vector<double>> points;
        double chord;
    };
    double const r3 = std::sqrt(3.0);
    Case const cases[] = {
        {{0.25, 0.3, -1}, {0.25, 0.3, 2}, {{0.25, 0.3, 0}, {0.25, 0.3, 1}}, 1.0},
        {{0.25, 0.3, 2}, {0.25, 0.3, 1.5}, {{0.25, 0.3, 1}, {0.25, 0.3, 0}}, 1.0},
        {{-1, -0.9, -0.8}, {2, 2.1, 2.2}, {{0, 0.1, 0.2}, {0.8, 0.9, 1}}, 0.8 * r3},
        {{-0.5, 0.1, 0.7}, {0.5, 0.1, 0.7}, {{0, 0.1, 0.7}, {1, 0.1, 0.7}}, 1.0},
        // End points far beyond single precision's reach of the box.
        {{-1e8, 0.3, 0.6}, {1e8, 0.3, 0.6}, {{0, 0.3, 0.6}, {1, 0.3, 0.6}}, 1.0},
        {{0.4, 0.3, 1e12}, {0.4, 0.3, -1e20}, {{0.4, 0.3, 1}, {0.4, 0.3, 0}}, 1.0},
    };
    for (Case const& c : cases) {
        auto const text = [](std::vector<double> const& p) {
            std::ostringstream s;
            s << p[0] << ',' << p[1] << ',' << p[2];
            return s.str();
        };
        SCOPED_TRACE(text(c.from) + " -> " + text(c.to));
        Json const doc = runJson({"line", "--from", text(c.from), "--to", text(c.to), "--var", "linear"});
        ASSERT_EQ(doc["hits"].size(), c.points.size()) << doc.dump();
        double const length = std::sqrt(std::pow(c.to[0] - c.from[0], 2) + std::pow(c.to[1] - c.from[1], 2) +
                                        std::pow(c.to[2] - c.from[2], 2));
        double previous = -1e30;
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            Json const& hit = doc["hits"][i];
            std::vector<double> const& p = c.points[i];
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(hit["point"][k].get<double>(), p[k], 1e-5);
            }
            // t is the distance from --from along the unit direction.
            double const along = std::sqrt(std::pow(p[0] - c.from[0], 2) + std::pow(p[1] - c.from[1], 2) +
                                           std::pow(p[2] - c.from[2], 2));
            EXPECT_NEAR(hit["t"].get<double>(), along, 1e-5 + 1e-15 * along);
            EXPECT_GT(hit["t"].get<double>(), previous);
            previous = hit["t"].get<double>();
            EXPECT_NEAR(hit["value"].get<double>(), linear(p[0], p[1], p[2]), 1e-4);
            EXPECT_TRUE(hit["set"] == "ELEMQUADS" || hit["set"] == "ELEMTRIS") << hit.dump();
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(doc["direction"][k].get<double>(), (c.to[k] - c.from[k]) / length, 1e-6);
        }
        ASSERT_EQ(doc["inside"].size(), 1u) << doc.dump();
        EXPECT_NEAR(doc["inside"][0]["enter"].get<double>(), doc["hits"][0]["t"].get<double>(),
                    1e-5 + 1e-15 * doc["hits"][0]["t"].get<double>());
        EXPECT_NEAR(doc["inside"][0]["length"].get<double>(), c.chord, 1e-5);
        EXPECT_NEAR(doc["length"].get<double>(), c.chord, 1e-5);
    }

    // The diagonal through two corners: the three faces meeting at each corner count once.
    Json const corners = runJson({"line", "--from", "-1,-1,-1", "--to", "2,2,2"});
    ASSERT_EQ(corners["hits"].size(), 2u) << corners.dump();
    EXPECT_NEAR(corners["hits"][0]["t"].get<double>(), r3, 1e-5);
    EXPECT_NEAR(corners["hits"][1]["t"].get<double>(), 2 * r3, 1e-5);

    // A line that passes the box by.
    Json const miss = runJson({"line", "--from", "2,2,0", "--to", "2,3,0"});
    EXPECT_EQ(miss["hits"].size(), 0u);
    EXPECT_EQ(miss["inside"].size(), 0u);
    EXPECT_EQ(miss["length"], 0.0);
    EXPECT_FALSE(miss.contains("variable"));
}

TEST(ZevgeomLine, TableAndExpression)
{
    Outcome const o = run({"line", "--from", "0.25,0.5,-1", "--to", "0.25,0.5,2", "--expr", "2*x+y"});
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, o.out.find("\n\n")), "mesh        default mesh (mixed box 6x6x6)\n"
                                                   "from        0.25,0.5,-1\n"
                                                   "to          0.25,0.5,2\n"
                                                   "expression  2*x+y\n"
                                                   "hits        2\n"
                                                   "inside      1 stretch\n"
                                                   "length      1")
        << o.out;
    std::size_t const columns = o.out.find("\n\nt  ");
    ASSERT_NE(columns, std::string::npos) << o.out;
    std::istringstream rows(o.out.substr(columns + 2));
    std::string header;
    std::getline(rows, header);
    EXPECT_EQ(header.substr(0, 3), "t  ");
    EXPECT_NE(header.find("set"), std::string::npos);
    EXPECT_EQ(header.substr(header.size() - 5), "value");
    double t = 0, x = 0, y = 0, z = 0, value = 0;
    std::string set;
    int face = 0;
    rows >> t >> x >> y >> z >> set >> face >> value;
    EXPECT_DOUBLE_EQ(t, 1);
    EXPECT_DOUBLE_EQ(value, 1);
    rows >> t >> x >> y >> z >> set >> face >> value;
    EXPECT_DOUBLE_EQ(t, 2);
    EXPECT_DOUBLE_EQ(z, 1);
    EXPECT_DOUBLE_EQ(value, 1);
    EXPECT_NE(o.out.find("\n\nenter  leave  length\n1      2      1\n"), std::string::npos) << o.out;
}

TEST(ZevgeomLine, SurfaceMeshHasCrossingsButNoChords)
{
    std::string const path = ::testing::TempDir() + "zevgeom-line-" + std::to_string(getpid()) + ".vtk";
    ASSERT_EQ(run({"boundary", "-o", path}).code, 0);
    Json const doc = runJson({"line", path, "--from", "0.3,-1,0.6", "--to", "0.3,2,0.6", "--var", "linear"});
    ASSERT_EQ(doc["hits"].size(), 2u);
    EXPECT_NEAR(doc["hits"][0]["point"][1].get<double>(), 0.0, 1e-6);
    EXPECT_NEAR(doc["hits"][1]["point"][1].get<double>(), 1.0, 1e-6);
    EXPECT_NEAR(doc["hits"][1]["value"].get<double>(), linear(0.3, 1, 0.6), 1e-4);
    EXPECT_EQ(doc["inside"].size(), 0u);
    std::remove(path.c_str());
}

TEST(ZevgeomLine, UsageErrors)
{
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    Case const cases[] = {
        {{"line", "--from", "0,0,0"}, "line needs --from X,Y,Z and --to X,Y,Z"},
        {{"line", "--from", "0,0", "--to", "1,1,1"}, "--from takes X,Y,Z, not '0,0'"},
        {{"line", "--from", "0,0,0", "--to", "1,1,1,1"}, "--to takes X,Y,Z, not '1,1,1,1'"},
        {{"line", "--from", "0,0,0", "--to", "1,x,1"}, "--to takes X,Y,Z, not '1,x,1'"},
        {{"line", "--from", "0,0,nan", "--to", "1,1,1"}, "--from takes X,Y,Z, not '0,0,nan'"},
        {{"line", "--from", "1,2,3", "--to", "1,2,3"}, "--from and --to must be different points"},
        {{"line", "--from", "0,0,0", "--to", "1,1,1", "--var", "linear", "--expr", "x"},
         "line takes at most one of --var NAME and --expr EXPR"},
        {{"line", "--from", "0,0,0", "--to", "1,1,1", "--var", "nothing"},
         "no variable 'nothing' in default mesh (mixed box 6x6x6) (variables: linear, pressure, velocity, "
         "region)"},
        {{"line", "--from", "0,0,0", "--to", "1,1,1", "--var", "region"},
         "'region' lives on elements; only vertex variables have values at points (--point-data averages "
         "cell values to the vertices)"},
    };
    for (Case const& c : cases) {
        Outcome const o = run(c.args);
        EXPECT_EQ(o.code, 1) << c.message;
        EXPECT_EQ(o.err, "zevgeom: " + c.message + "\nRun 'zevgeom line --help' for its usage.\n");
        EXPECT_EQ(o.out, "");
    }
}

} // namespace
