#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace zev;
using namespace zev::test;

namespace {

class LayerGeometry : public Geometry {
public:
    using Geometry::createVirtualLayer;
    const TripletZEVVector& layerVertices() const { return m_virtualLayerVertices; }
    const std::vector<int>& layerIndices() const { return m_virtualLayerSetIndices; }
    float layerTolerance() const { return m_virtualLayerTolerance; }
    // A host type that names only some of the boundary sets.
    bool twoNames = false;
    ~LayerGeometry() override = default;

protected:
    void getSurfaceFaceNames(std::map<FaceType, std::string>& p_names) override
    {
        Geometry::getSurfaceFaceNames(p_names);
        if (twoNames)
            p_names.erase(Polygons);
    }
};

double distance(const Triplet& p_a, const Triplet& p_b)
{
    const Triplet d = p_a - p_b;
    return std::sqrt(static_cast<double>(d.dot(d)));
}

} // namespace

TEST(VirtualLayer, HexahedraOnTheCubeReachOutAlongTheVertexNormals)
{
    auto g = std::make_unique<LayerGeometry>();
    buildUnitCubeHex(*g);
    // Tolerance -10: a tenth of the mean face diagonal, sqrt(2) / 10.
    EXPECT_TRUE(g->createVirtualLayer(-10.0f));
    EXPECT_EQ(g->layerTolerance(), -10.0f);
    EXPECT_EQ(g->layerIndices(), std::vector<int>{2147483645});
    ASSERT_EQ(g->getNumVirtualLayerElementSets(), 1);
    const ShapeSet* layer = g->getElementSet("ES2147483646");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->getType(), HEX);
    EXPECT_EQ(layer->getSetNumber(), 2147483645);
    const TripletZEVVector& lv = g->layerVertices();
    ASSERT_EQ(lv.size(), 16u);
    const Triplet centre(0.5f, 0.5f, 0.5f);
    for (std::size_t v = 0; v < 8; ++v) {
        EXPECT_EQ(lv[v], g->getVertices()[v]);
        EXPECT_NEAR(distance(lv[v + 8], lv[v]), std::sqrt(2.0) / 10.0, 1e-6);
        // Straight away from the centre: the corner's three face normals sum along the diagonal.
        EXPECT_NEAR(distance(lv[v + 8], centre), std::sqrt(0.75) + std::sqrt(2.0) / 10.0, 1e-6);
    }
    const ShapeSet& quads = *g->getFaceSet("ELEMQUADS");
    ASSERT_EQ(layer->size(), quads.size());
    for (std::size_t i = 0; i < quads.size(); ++i) {
        const Shape& face = quads[i];
        const Shape& hex = (*layer)[i];
        const int order[4] = {0, 1, 3, 2};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(hex[k], face[order[k]]);
            EXPECT_EQ(hex[k + 4], face[order[k]] + 8);
        }
        EXPECT_EQ(hex.getInterpolationProxy(), &face);
    }
    Triplet lo, hi;
    ASSERT_TRUE(layer->getExtents(lo, hi));
    EXPECT_NEAR(lo[0], -0.0816497f, 1e-6f);

    // The same tolerance keeps the layer; another rebuilds it.
    EXPECT_TRUE(g->createVirtualLayer(-10.0f));
    EXPECT_EQ(g->getElementSet("ES2147483646"), layer);
    EXPECT_TRUE(g->createVirtualLayer(5.0f));
    EXPECT_NEAR(distance(g->layerVertices()[15], g->getVertices()[7]), std::sqrt(3.0) * 0.05, 1e-6);
    g->removeVirtualLayer();
    EXPECT_FALSE(g->hasVirtualLayer());
    EXPECT_TRUE(g->layerVertices().empty());
    EXPECT_TRUE(g->layerIndices().empty());
    EXPECT_EQ(g->layerTolerance(), 0.0f);
    EXPECT_EQ(g->getElementSet("ES2147483646"), nullptr);
}

TEST(VirtualLayer, WedgesOnTrianglesNumberTheSurfaceVerticesInOrder)
{
    auto g = std::make_unique<LayerGeometry>();
    buildTetBox(*g, 2);
    ASSERT_TRUE(g->createVirtualLayer(1.0f));
    const ShapeSet* layer = g->getElementSet(Geometry::getElementSetName(2147483646));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->getType(), WEDGE);
    EXPECT_EQ(layer->getSetNumber(), 2147483646);
    const ShapeSet& tris = *g->getFaceSet("ELEMTRIS");
    ASSERT_EQ(tris.size(), 48u);
    ASSERT_EQ(layer->size(), 48u);
    // 26 of the 27 vertices are on the surface; the centre (13) is not, so the ones after it
    // move down by one.
    ASSERT_EQ(g->layerVertices().size(), 52u);
    for (std::size_t i = 0; i < tris.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const int id = tris[i][k] - (tris[i][k] > 13 ? 1 : 0);
            EXPECT_EQ((*layer)[i][k], id);
            EXPECT_EQ((*layer)[i][k + 3], id + 26);
        }
    // Thickness 1 % of the extents' diagonal.
    EXPECT_NEAR(distance(g->layerVertices()[26], g->layerVertices()[0]), std::sqrt(3.0) / 100.0, 1e-6);
}

TEST(VirtualLayer, PolygonsAreSplitIntoFans)
{
    auto g = std::make_unique<LayerGeometry>();
    // A pentagon and a quadrilateral polygon in the plane z = 0.
    addVertices(*g, {0, 0, 0, 2, 0, 0, 3, 1, 0, 1, 2, 0, -1, 1, 0, 5, 0, 0, 6, 0, 0, 6, 1, 0, 5, 1, 0});
    const ShapeSet* polygons = addFaces(*g, "ELEMPOLYGONS", POLYGON, {{0, 1, 2, 3, 4}, {5, 6, 7, 8}});
    ASSERT_TRUE(g->createVirtualLayer(-10.0f));
    EXPECT_EQ(g->layerIndices(), std::vector<int>{2147483644});
    const ShapeSet* layer = g->getElementSet("ES2147483645");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->getType(), WEDGE);
    ASSERT_EQ(layer->size(), 5u);
    const std::vector<std::vector<int>> bottoms{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {5, 6, 7}, {5, 7, 8}};
    for (std::size_t i = 0; i < 5; ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ((*layer)[i][k], bottoms[i][static_cast<std::size_t>(k)]);
            EXPECT_EQ((*layer)[i][k + 3], bottoms[i][static_cast<std::size_t>(k)] + 9);
        }
        EXPECT_EQ((*layer)[i].getInterpolationProxy(), &(*polygons)[i < 3 ? 0 : 1]);
    }
    EXPECT_FLOAT_EQ(g->layerVertices()[9][2], g->layerVertices()[9 + 5][2]);
}

TEST(VirtualLayer, NoLayerCasesAndCancellingNormals)
{
    auto g = std::make_unique<LayerGeometry>();
    EXPECT_FALSE(g->createVirtualLayer(0.0f));
    // No boundary face sets and no elements to build them from.
    EXPECT_FALSE(g->createVirtualLayer(1.0f));
    EXPECT_FALSE(g->hasVirtualLayer());
    g->twoNames = true;
    zevtest::expectError<internal::error>([&] { g->createVirtualLayer(1.0f); }, "Geometry",
                                          "createVirtualLayer",
                                          "Insufficient number of face set names provided!");

    // The two sides of one triangle: their normals cancel, so the vertices stay put.
    auto sheet = std::make_unique<LayerGeometry>();
    addVertices(*sheet, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    addFaces(*sheet, "ELEMTRIS", TRI, {{0, 1, 2}, {0, 2, 1}});
    ASSERT_TRUE(sheet->createVirtualLayer(10.0f));
    const TripletZEVVector& lv = sheet->layerVertices();
    ASSERT_EQ(lv.size(), 6u);
    for (std::size_t v = 0; v < 3; ++v)
        EXPECT_EQ(lv[v + 3], sheet->getVertices()[v]);
}
