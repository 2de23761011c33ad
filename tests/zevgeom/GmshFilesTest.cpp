// VTK files as gmsh writes them, vertex cells and second-order cells included, measure as the shapes they
// mesh, keep every point, keep each cell's array value with its cell, and say once on standard error what
// was skipped or simplified.
#include "tests/zevgeom/ToolRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace zevgeomtest;

std::string const s_gmsh = std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/gmsh/";

// The range of CellEntityIds at one location in the info report, as "min..max".
std::string idRange(nlohmann::ordered_json const& p_doc, std::string const& p_location)
{
    for (nlohmann::ordered_json const& v : p_doc["variables"]) {
        if (v["name"] == "CellEntityIds" && v["location"] == p_location) {
            return v["min"].dump() + ".." + v["max"].dump();
        }
    }
    return "none";
}

TEST(GmshFiles, MeasureAsTheirShapesAndNoteWhatWasSkipped)
{
    std::string const vertices = "zevgeom: note: 2 vertex cells were skipped\n";
    struct Case {
        char const* file;
        double volume;
        double area;
        int points;
        std::string err;
    };
    std::string const bar2 =
        vertices + "zevgeom: warning: 175 second-order cells were read as the linear cells of their "
                   "corners; their mid-side nodes were dropped\n";
    Case const cases[] = {
        {"bar-order1.vtk", 2.0, 10.0, 44, vertices},
        {"bar-order2.vtk", 2.0, 10.0, 220, bar2},
        {"bar-order2.vtu", 2.0, 10.0, 220, bar2},
        // A partitioned mesh counts what its pieces skipped and simplified.
        {"bar-order2.pvtu", 2.0, 10.0, 220, bar2},
        {"hex-order2.vtk", 6.0, 22.0, 125,
         "zevgeom: warning: 34 second-order cells were read as the linear cells of their corners; their "
         "mid-side nodes were dropped\n"}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.file);
        Outcome const o = run({"info", s_gmsh + c.file, "--json"});
        ASSERT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(o.err, c.err);
        nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(o.out);
        EXPECT_NEAR(doc["volume"].get<double>(), c.volume, 1e-6 * c.volume);
        EXPECT_NEAR(doc["boundaryArea"].get<double>(), c.area, 1e-6 * c.area);
        EXPECT_EQ(doc["vertices"], c.points);
        // The skipped vertex cells carry the point tag 1: a value left with the wrong cell shows here.
        EXPECT_EQ(idRange(doc, "element"), "10.0..10.0");
        EXPECT_EQ(idRange(doc, "face"), "20.0..20.0");
    }
}

} // namespace
