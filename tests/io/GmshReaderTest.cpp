// The .msh reader on files gmsh wrote of a tetrahedral box (versions 4.1 and 2.2, ASCII and binary, with
// and without a point field, and of second order) and of hexahedra and prisms, cross-checked with gmsh's
// VTK file of the same mesh read by the VTK reader: the same points and cells, volume and boundary area,
// physical tags, and sets split by physical group and labelled with its name; and an element version 2.2
// lists once per physical group read once.
#include "zev/io/GmshReader.h"
#include "zev/analysis/Measures.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/MeshFile.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

using namespace zev::io;

namespace {

std::string const s_gmsh = std::string(ZEV_IO_CORPUS_DIR) + "/gmsh";

// Each set's name, label and size, element sets then face sets.
std::vector<std::tuple<std::string, std::string, std::size_t>> setsOf(zev::Geometry const& p_geometry)
{
    std::vector<std::tuple<std::string, std::string, std::size_t>> out;
    for (std::string const& name : p_geometry.getElementSetNames()) {
        zev::ShapeSet const* set = p_geometry.getElementSet(name);
        out.emplace_back(name, set->getLabel(), set->size());
    }
    for (std::string const& name : p_geometry.getFaceSetNames()) {
        zev::ShapeSet const* set = p_geometry.getFaceSet(name);
        out.emplace_back(name, set->getLabel(), set->size());
    }
    return out;
}

double boundaryArea(zev::Geometry& p_geometry)
{
    return zev::analysis::areaMeasures(p_geometry, zev::analysis::buildBoundary(p_geometry)).total;
}

} // namespace

TEST(GmshReader, EveryVariantReadsLikeItsVtkTwin)
{
    struct Case {
        char const* file;
        char const* twin;
        std::vector<char const*> labels; // of the twin's sets, split by CellEntityIds, in order
        std::vector<std::string> notes;
        bool field = false; // the point field p = x + 2 y
    };
    std::vector<char const*> const box = {"fluid", "inlet", "outlet", "walls"};
    std::string const order2 = s_gmsh + "/box-41-order2.msh";
    Case const cases[] = {
        {"box-41.msh", "box.vtk", box, {}},
        {"box-41-bin.msh", "box.vtk", box, {}},
        {"box-22.msh", "box.vtk", box, {}},
        {"box-22-bin.msh", "box.vtk", box, {}},
        {"box-data-41.msh", "box.vtk", box, {}, true},
        {"box-data-41-bin.msh", "box.vtk", box, {}, true},
        {"box-data-22.msh", "box.vtk", box, {}, true},
        {"box-data-22-bin.msh", "box.vtk", box, {}, true},
        {"box-41-order2.msh",
         "box.vtk",
         box,
         {"warning: " + order2 +
          ": 184 higher-order elements are read as their corner cells; their mid-side nodes were dropped"}},
        // Hexahedra and prisms, whose corners gmsh orders differently in the two formats.
        {"mixed-41.msh", "mixed.vtk", {"solid", "solid", "bottom", "bottom", "top", "top"}, {}},
    };
    for (Case const& c : cases) {
        MeshData const twin = readMeshFile(s_gmsh + "/" + c.twin);
        zev::GeometryAutoPtr twinGeometry = readGeometry(s_gmsh + "/" + c.twin, "CellEntityIds");
        // The twin's sets by region, as a .msh file's sets must come, but with the physical groups' names.
        auto expectedSets = setsOf(*twinGeometry.get());
        ASSERT_EQ(expectedSets.size(), c.labels.size()) << c.twin;
        for (std::size_t i = 0; i < expectedSets.size(); ++i) {
            std::get<1>(expectedSets[i]) = c.labels[i];
        }
        double const twinVolume = zev::analysis::volumeMeasures(*twinGeometry.get()).total;
        double const twinArea = boundaryArea(*twinGeometry.get());

        std::string const path = s_gmsh + "/" + c.file;
        MeshData const mesh = readMeshFile(path);
        EXPECT_EQ(mesh.notes, c.notes) << c.file;
        ASSERT_EQ(mesh.numPoints(), twin.numPoints()) << c.file;
        ASSERT_EQ(mesh.numCells(), twin.numCells()) << c.file;
        EXPECT_EQ(mesh.cellTypes, twin.cellTypes) << c.file;
        EXPECT_EQ(mesh.connectivity, twin.connectivity) << c.file;
        for (std::size_t i = 0; i < mesh.points.size(); ++i) {
            ASSERT_NEAR(mesh.points[i], twin.points[i], 1e-12) << c.file << " coordinate " << i;
        }
        ASSERT_EQ(mesh.pointData.size(), c.field ? 1u : 0u) << c.file;
        if (c.field) {
            EXPECT_EQ(mesh.pointData[0].name, "p");
            for (std::size_t i = 0; i < mesh.numPoints(); ++i) {
                ASSERT_NEAR(mesh.pointData[0].values[i], mesh.points[3 * i] + 2 * mesh.points[3 * i + 1],
                            1e-12)
                    << c.file << " point " << i;
            }
        }
        DataArray const* physical = mesh.findCellArray(GmshReader::s_physicalArray);
        ASSERT_NE(physical, nullptr) << c.file;
        EXPECT_EQ(physical->values, twin.findCellArray("CellEntityIds")->values) << c.file;
        // The elementary tags: the last entity is a volume numbered 1 or 2; the surfaces run from 1.
        DataArray const* elementary = mesh.findCellArray(GmshReader::s_elementaryArray);
        ASSERT_NE(elementary, nullptr) << c.file;
        EXPECT_EQ(*std::min_element(elementary->values.begin(), elementary->values.end()), 1.0) << c.file;

        zev::GeometryAutoPtr g = readGeometry(path);
        EXPECT_EQ(setsOf(*g.get()), expectedSets) << c.file;
        EXPECT_NEAR(zev::analysis::volumeMeasures(*g.get()).total, twinVolume, 1e-12) << c.file;
        EXPECT_NEAR(boundaryArea(*g.get()), twinArea, 1e-12) << c.file;
    }

    // Version 2.2 lists each tetrahedron of two physical groups twice: it is one cell, in the first group.
    std::string const groups = s_gmsh + "/groups-22.msh";
    MeshData const mesh = readMeshFile(groups);
    ASSERT_EQ(mesh.numCells(), 114u);
    EXPECT_EQ(mesh.notes, std::vector<std::string>{"note: " + groups +
                                                   ": 100 elements listed again for another physical group "
                                                   "are read once, in the first"});
    std::vector<double> const& physical = mesh.findCellArray(GmshReader::s_physicalArray)->values;
    EXPECT_EQ(std::count(physical.begin(), physical.end(), 10.0), 100);
    zev::GeometryAutoPtr g = readGeometry(groups);
    EXPECT_NEAR(zev::analysis::volumeMeasures(*g.get()).total, 1.0, 1e-6);
}
