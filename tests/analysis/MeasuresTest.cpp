// The tool's meshes in the library: generated boxes and every cell type keep positive volumes through the
// conversion, boxes measure what a unit box measures, the boundary is the box's surface and survives
// writing and reading, and regions, cell data and lines land in the sets they belong to.
#include "zev/analysis/Measures.h"
#include "zev/analysis/BoxGenerator.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshConversion.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using namespace zev::io;
using namespace zev::analysis;

constexpr double s_tolerance = 1e-5;

MeshData throughFile(MeshData const& p_mesh, VtkLegacyWriter::Encoding p_encoding)
{
    std::ostringstream out;
    VtkLegacyWriter::write(p_mesh, out, p_encoding, "mesh.vtk");
    return VtkLegacyReader::readBuffer(out.str(), "mesh.vtk");
}

struct BoxCase {
    BoxKind kind;
    int n;
    std::size_t elements;
    std::size_t boundaryTris;
    std::size_t boundaryQuads;
};

class GeneratedBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(GeneratedBox, MeasuresAUnitBoxAndItsBoundary)
{
    BoxCase const c = GetParam();
    // Through a file first, so that the generator's orderings are the file format's.
    LoadedMesh mesh =
        toLibrary(throughFile(generateBox(c.kind, c.n), VtkLegacyWriter::Encoding::Binary), "box", "");
    EXPECT_EQ(static_cast<std::size_t>(mesh.geo().getNumElements()), c.elements);

    VolumeMeasures const volumes = volumeMeasures(mesh.geo());
    EXPECT_NEAR(volumes.total, 1.0, s_tolerance);
    double const smallest = 1.0 / (6.0 * c.n * c.n * c.n) - s_tolerance;
    for (std::size_t i = 0; i < volumes.elementVolumes.size(); ++i) {
        ASSERT_GT(volumes.elementVolumes[i], smallest) << "element " << i;
    }

    Integral const linear = integrate(mesh, "linear", false, Domain::Volume);
    EXPECT_NEAR(linear.average, 5.5, s_tolerance); // 1 + 2x + 3y + 4z at the centre
    EXPECT_NEAR(linear.measure, 1.0, s_tolerance);
    EXPECT_NEAR(integrate(mesh, "2*x+y", true, Domain::Volume).integral, 1.5, s_tolerance);

    std::vector<std::string> const sets = buildBoundary(mesh.geo());
    zev::ShapeSet const* tris = mesh.geo().getFaceSet("ELEMTRIS");
    zev::ShapeSet const* quads = mesh.geo().getFaceSet("ELEMQUADS");
    EXPECT_EQ(tris ? tris->size() : 0, c.boundaryTris);
    EXPECT_EQ(quads ? quads->size() : 0, c.boundaryQuads);
    EXPECT_EQ(mesh.geo().getFaceSet("ELEMPOLYGONS"), nullptr);
    EXPECT_NEAR(areaMeasures(mesh.geo(), sets).total, 6.0, s_tolerance);
    EXPECT_NEAR(integrate(mesh, "linear", false, Domain::Boundary).average, 5.5, s_tolerance);

    // The boundary written out reads back as a surface of the same area, its points carrying the field.
    ExportSelection selection;
    selection.elements = false;
    selection.allFaceSets = false;
    selection.faceSets = sets;
    selection.compactVertices = true;
    MeshData const surface =
        throughFile(fromLibrary(mesh.geo(), mesh.variables, selection), VtkLegacyWriter::Encoding::Ascii);
    EXPECT_EQ(surface.kind, DatasetKind::PolyData);
    EXPECT_EQ(surface.numCells(), c.boundaryTris + c.boundaryQuads);
    DataArray const* field = surface.findPointArray("linear");
    ASSERT_NE(field, nullptr);
    for (std::size_t i = 0; i < surface.numPoints(); ++i) {
        double const* p = &surface.points[3 * i];
        ASSERT_NEAR(field->values[i], 1 + 2 * p[0] + 3 * p[1] + 4 * p[2], 1e-5) << "point " << i;
        bool const onSurface = std::fabs(p[0]) < 1e-6 || std::fabs(p[1]) < 1e-6 || std::fabs(p[2]) < 1e-6 ||
                               std::fabs(p[0] - 1) < 1e-6 || std::fabs(p[1] - 1) < 1e-6 ||
                               std::fabs(p[2] - 1) < 1e-6;
        ASSERT_TRUE(onSurface) << "point " << i << " is inside the box";
    }
    LoadedMesh again = toLibrary(surface, "surface", "");
    EXPECT_EQ(again.geo().getNumElements(), 0);
    EXPECT_NEAR(areaMeasures(again.geo(), buildBoundary(again.geo())).total, 6.0, s_tolerance);
}

// Boundary faces: hexahedra 6 n^2 quads; tetrahedra 2 triangles per square; the mixed box's wedge
// columns put 2 triangles per cell on the top and bottom, everything else is quads.
INSTANTIATE_TEST_SUITE_P(Boxes, GeneratedBox,
                         ::testing::Values(BoxCase{BoxKind::Hex, 1, 1, 0, 6},
                                           BoxCase{BoxKind::Hex, 3, 27, 0, 54},
                                           BoxCase{BoxKind::Tet, 1, 6, 12, 0},
                                           BoxCase{BoxKind::Tet, 3, 162, 108, 0},
                                           BoxCase{BoxKind::Mixed, 3, 3 * (3 * 1 + 3 * 2 + 3 * 6), 12, 48}),
                         [](auto const& info) {
                             return std::string(boxKindName(info.param.kind)) + std::to_string(info.param.n);
                         });

// Every volume cell type, written in the file format's own vertex order.
MeshData everyVolumeCell()
{
    MeshData m;
    auto add = [&m](std::vector<std::array<double, 3>> const& corners, double dx) {
        int const base = static_cast<int>(m.numPoints());
        for (auto const& p : corners) {
            m.points.insert(m.points.end(), {p[0] + dx, p[1], p[2]});
        }
        std::vector<int> ids;
        for (int k = 0; k < static_cast<int>(corners.size()); ++k) {
            ids.push_back(base + k);
        }
        return ids;
    };
    m.addCell(VtkCellType::Tetra, add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0));
    m.addCell(
        VtkCellType::Voxel,
        add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}}, 2));
    m.addCell(
        VtkCellType::Hexahedron,
        add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, 4));
    m.addCell(VtkCellType::Wedge, add({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 0, 1}}, 6));
    m.addCell(VtkCellType::Pyramid, add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 1}}, 8));
    // A unit cube as a polyhedron, its faces counter-clockwise seen from outside.
    std::vector<int> c =
        add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, 10);
    m.addCell(VtkCellType::Polyhedron,
              {6, 4,    c[0], c[3], c[2], c[1], 4,    c[4], c[5], c[6], c[7], 4,    c[0], c[1], c[5], c[4],
               4, c[2], c[3], c[7], c[6], 4,    c[1], c[2], c[6], c[5], 4,    c[0], c[4], c[7], c[3]});
    return m;
}

TEST(ToolConversion, EveryVolumeCellTypeHasItsVolumeAndComesBackInTheFileOrder)
{
    MeshData const file = everyVolumeCell();
    LoadedMesh mesh = toLibrary(file, "cells", "");
    zev::Geometry& g = mesh.geo();
    // One set per library shape type, in order of first appearance: voxel and hexahedron share the Hex set.
    std::vector<std::pair<std::string, int>> const expected{{"ES1", zev::TET},
                                                            {"ES2", zev::HEX},
                                                            {"ES3", zev::WEDGE},
                                                            {"ES4", zev::PYRAMID},
                                                            {"ES5", zev::POLYHEDRON}};
    ASSERT_EQ(g.getElementSetNames().size(), expected.size());
    for (auto const& e : expected) {
        ASSERT_NE(g.getElementSet(e.first), nullptr) << e.first;
        EXPECT_EQ(g.getElementSet(e.first)->getType(), e.second) << e.first;
    }
    EXPECT_EQ(g.getElementSet("ES2")->size(), 2u);

    // Set-name order: tet, voxel, hexahedron, wedge, pyramid, polyhedron.
    std::vector<double> const volumes = volumeMeasures(g).elementVolumes;
    std::vector<double> const expectedVolumes{1.0 / 6, 1, 1, 0.5, 1.0 / 3, 1};
    ASSERT_EQ(volumes.size(), expectedVolumes.size());
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_NEAR(volumes[i], expectedVolumes[i], 1e-6) << "element " << i;
    }

    // Back to the file: the voxel becomes a hexahedron, every other cell keeps its points in the file's
    // order.
    MeshData const back = fromLibrary(g, mesh.variables, ExportSelection());
    ASSERT_EQ(back.numCells(), file.numCells());
    std::vector<std::size_t> const fileCellOf{0, 1, 2, 3, 4, 5};
    for (std::size_t c = 0; c < back.numCells(); ++c) {
        std::size_t const f = fileCellOf[c];
        VtkCellType const expectedType =
            file.cellTypes[f] == VtkCellType::Voxel ? VtkCellType::Hexahedron : file.cellTypes[f];
        EXPECT_EQ(back.cellTypes[c], expectedType) << "cell " << c;
        if (file.cellTypes[f] != VtkCellType::Voxel) {
            std::vector<int> const a(file.cellPoints(f), file.cellPoints(f) + file.cellSize(f));
            std::vector<int> const b(back.cellPoints(c), back.cellPoints(c) + back.cellSize(c));
            EXPECT_EQ(a, b) << "cell " << c;
        }
    }
    // And the hexahedron written for the voxel is a valid one: it reads back with a positive volume.
    LoadedMesh again = toLibrary(back, "back", "");
    std::vector<double> const againVolumes = volumeMeasures(again.geo()).elementVolumes;
    for (std::size_t i = 0; i + 1 < againVolumes.size(); ++i) {
        EXPECT_GT(againVolumes[i], 0.1) << "element " << i;
    }
}

TEST(ToolConversion, RegionsSurfacesLinesAndCellDataGoToTheirSets)
{
    MeshData m;
    for (int i = 0; i < 4; ++i) {
        m.points.insert(m.points.end(), {double(i & 1), double(i >> 1), 0.0});
    }
    m.points.insert(m.points.end(), {0.0, 0.0, 1.0});
    m.addCell(VtkCellType::Tetra, {0, 1, 2, 4}); // region 7
    m.addCell(VtkCellType::Triangle, {0, 1, 2}); // region 7
    m.addCell(VtkCellType::Tetra, {1, 3, 2, 4}); // region 3
    m.addCell(VtkCellType::Quad, {0, 1, 3, 2});  // region 3
    m.addCell(VtkCellType::PolyLine, {0, 1, 3}); // region 3
    m.addCell(VtkCellType::Tetra, {0, 1, 2, 4}); // region 7
    DataArray region;
    region.name = "zone";
    region.type = ValueType::Int;
    region.values = {7, 7, 3, 3, 3, 7};
    DataArray heat;
    heat.name = "heat";
    heat.values = {10, 11, 12, 13, 14, 15};
    m.cellData = {region, heat};

    LoadedMesh mesh = toLibrary(m, "zones.vtk", "zone");
    zev::Geometry& g = mesh.geo();
    EXPECT_EQ(g.getElementSetNames(), (std::vector<std::string>{"ES1", "ES2"}));
    EXPECT_EQ(g.getElementSet("ES1")->size(), 2u);
    EXPECT_EQ(g.getElementSet("ES2")->size(), 1u);
    EXPECT_EQ(g.getFaceSetNames(), (std::vector<std::string>{"region3-QUAD", "region7-TRI"}));
    EXPECT_EQ(std::vector<int>(g.getLines().begin(), g.getLines().end()), (std::vector<int>{0, 1, 1, 3}));

    MeshVariable const* element = mesh.findVariable("heat", zev::eElement);
    MeshVariable const* face = mesh.findVariable("heat", zev::eFace);
    ASSERT_TRUE(element && face);
    zev::Variable const& ev = *element->variable;
    auto const& es1 = ev.getFloatValues(zev::Variable::Description(zev::eConservative, zev::eElement, "ES1"));
    ASSERT_EQ(es1.size(), 2u);
    EXPECT_EQ(es1[0], 10.0f);
    EXPECT_EQ(es1[1], 15.0f);
    EXPECT_EQ(ev.getFloatValues(zev::Variable::Description(zev::eConservative, zev::eElement, "ES2"))[0],
              12.0f);
    zev::Variable const& fv = *face->variable;
    EXPECT_EQ(fv.getFloatValues(zev::Variable::Description(zev::eConservative, zev::eFace, "region7-TRI"))[0],
              11.0f);
    EXPECT_EQ(
        fv.getFloatValues(zev::Variable::Description(zev::eConservative, zev::eFace, "region3-QUAD"))[0],
        13.0f);

    // Element data is integrated with the element volumes, set by set.
    Integral const r = integrate(mesh, "heat", false, Domain::Volume);
    EXPECT_NEAR(r.measure, 0.5, 1e-6);
    EXPECT_NEAR(r.integral, (10 + 15 + 12) / 6.0, 1e-5);

    // A float array of whole numbers names regions (a region array the library wrote comes back so);
    // one with a fraction does not.
    EXPECT_EQ(toLibrary(m, "zones.vtk", "heat").geo().getElementSetNames().size(), 3u);
    m.cellData[1].values[2] = 12.5;
    try {
        toLibrary(m, "zones.vtk", "heat");
        FAIL() << "a float array with fractions cannot name regions";
    } catch (SelectionError const& e) {
        EXPECT_STREQ(e.what(), "the region array 'heat' must hold one integer per cell");
    }
    try {
        toLibrary(m, "zones.vtk", "nope");
        FAIL() << "an absent array cannot name regions";
    } catch (SelectionError const& e) {
        EXPECT_STREQ(e.what(), "no cell array 'nope' in zones.vtk to take regions from");
    }
}

} // namespace
