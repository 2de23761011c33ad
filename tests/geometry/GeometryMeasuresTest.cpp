#include "zev/contracts/Error.h"
#include "zev/geometry/FaceCenterCalculator.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zev;

namespace {

class OpenGeometry : public Geometry {
public:
    void fileNullFaceSet(const std::string& p_name) { m_faceSets[p_name] = nullptr; }
    ~OpenGeometry() override = default;
};

struct MeasuresFixture : ::testing::Test {
    GeometryAutoPtr holder{GeometryAPI::instance()->newGeometry("", nullptr)};
    Geometry& g = *holder.get();

    int vertex(float x, float y, float z)
    {
        g.getVertices().push_back(Triplet(x, y, z));
        return g.getNumVertices() - 1;
    }
    // An axis-aligned rectangle in the plane z = p_z, counter-clockwise seen from +z.
    void addRectangle(ShapeSet& p_set, std::size_t p_index, float p_x0, float p_y0, float p_x1, float p_y1,
                      float p_z)
    {
        Shape& q = p_set[p_index];
        q[0] = vertex(p_x0, p_y0, p_z);
        q[1] = vertex(p_x1, p_y0, p_z);
        q[2] = vertex(p_x1, p_y1, p_z);
        q[3] = vertex(p_x0, p_y1, p_z);
    }
};

float theta(void* p_context, const Triplet& p_point, float p_reference)
{
    ++*static_cast<int*>(p_context);
    return p_reference + p_point[0];
}

} // namespace

TEST_F(MeasuresFixture, FaceArraysFollowSetNamesAndCorrectionFactors)
{
    // Created in the opposite order of their names: ES2's faces come after ES10's.
    ShapeSet* es2 = g.addFaceSet("ES2", QUAD, 1, 1.0);
    ShapeSet* es10 = g.addFaceSet("ES10", QUAD, 1, 2.0);
    addRectangle(*es2, 0, 0, 0, 1, 1, 0);  // area 1
    addRectangle(*es10, 0, 0, 0, 3, 1, 5); // area 3, doubled by the factor
    const FloatZEVVectorConcrete& areas = g.getFaceAreas();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_FLOAT_EQ(areas[0], 6.0f);
    EXPECT_FLOAT_EQ(areas[1], 1.0f);
    EXPECT_EQ(g.getFaceAreaVectors()[0], Triplet(0, 0, 6));
    EXPECT_EQ(g.getFaceNormals()[1], Triplet(0, 0, 1));
    // Vertex areas are not scaled: each corner of the 3x1 rectangle gets a quarter of 3.
    EXPECT_FLOAT_EQ(g.getVertexAreas()[4], 0.75f);
    EXPECT_FLOAT_EQ(g.getVertexAreas()[0], 0.25f);
    EXPECT_EQ(g.getVertexNormals()[0], Triplet(0, 0, 1));
    // Cached while the mesh stays as it is, recomputed once it changes.
    EXPECT_EQ(&g.getFaceAreas(), &areas);
    g.getVertices()[6] = Triplet(3, 2, 5); // stretch the 3x1 rectangle
    EXPECT_GT(g.getFaceAreas()[0], 6.0f);

    // Without a calculator the face centres stay empty on every request.
    EXPECT_TRUE(g.getFaceCenters().empty());
    EXPECT_TRUE(g.getFaceCenters().empty());
}

TEST_F(MeasuresFixture, NoFaceSetsDegenerateFacesAndLines)
{
    vertex(0, 0, 0);
    vertex(2, 0, 0);
    vertex(5, 5, 5);
    EXPECT_EQ(g.getVertexAreas().size(), 3u);
    EXPECT_EQ(g.getVertexAreas()[2], 0.0f);
    EXPECT_TRUE(g.getFaceAreas().empty());
    EXPECT_TRUE(g.getFaceNormals().empty());
    EXPECT_EQ(g.getVertexNormals()[1], Triplet(0, 0, 0));

    g.getLines().push_back(0);
    g.getLines().push_back(1);
    const FloatZEVVectorConcrete& lengths = g.getVertexLengths();
    EXPECT_EQ(lengths[0], 1.0f);
    EXPECT_EQ(lengths[1], 1.0f);
    EXPECT_EQ(lengths[2], 0.0f);

    ShapeSet* tris = g.addFaceSet("flat", TRI, 1, 1.0);
    (*tris)[0][0] = 0;
    (*tris)[0][1] = 1;
    (*tris)[0][2] = 1; // degenerate
    g.clearDataStores();
    EXPECT_EQ(g.getFaceNormals()[0], Triplet(0, 0, 0));
}

TEST_F(MeasuresFixture, ElementVolumesCentresAndFaceCentres)
{
    ShapeSet* hexes = g.addElementSet(0, HEX, 1, 0.5);
    for (int k = 0; k < 8; ++k)
        (*hexes)[0][k] = vertex(float(k % 2) * 2, float((k / 2) % 2), float(k / 4));
    ShapeSet* tets = g.addElementSet(1, TET, 1, 1.0);
    (*tets)[0][0] = 0;
    (*tets)[0][1] = 1;
    (*tets)[0][2] = 2;
    (*tets)[0][3] = 4;
    const FloatZEVVectorConcrete& volumes = g.getElementVolumes();
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_FLOAT_EQ(volumes[0], 1.0f); // 2 x 1 x 1 times 0.5
    EXPECT_FLOAT_EQ(std::fabs(volumes[1]), 2.0f / 6.0f);
    EXPECT_EQ(g.getElementCenters()[0], Triplet(1, 0.5f, 0.5f));
    // Dual-region volumes of the hex: an eighth of 2 at every corner (the factor does not apply).
    EXPECT_FLOAT_EQ(g.getVertexVolumes()[7], 0.25f + 0.0f);

    ShapeSet* quads = g.addFaceSet("bottom", QUAD, 1, 1.0);
    (*quads)[0][0] = 0;
    (*quads)[0][1] = 1;
    (*quads)[0][2] = 3;
    (*quads)[0][3] = 2;
    FaceCenterCalculator calculator;
    GeometryAPI* api = GeometryAPI::instance();
    api->registerFaceCenterCalculator(&calculator);
    GeometryAutoPtr withCalculator(api->newGeometry("", nullptr));
    api->registerFaceCenterCalculator(nullptr);
    g.clone(withCalculator.get(), true, false);
    ASSERT_EQ(withCalculator->getFaceCenters().size(), 1u);
    EXPECT_EQ(withCalculator->getFaceCenters()[0], Triplet(1, 0.5f, 0));
}

TEST(GeometryMeasures, MissingFaceSetIsReported)
{
    auto* g = new OpenGeometry();
    g->getVertices().resize(2);
    g->fileNullFaceSet("broken");
    try {
        g->getVertexAreas();
        ADD_FAILURE();
    } catch (const internal::nullPointer& e) {
        EXPECT_EQ(e.getMethodName(), "calculateVertexAreas");
        EXPECT_EQ(e.getMessage(), "Null pointer to broken.");
    }
    delete g;
}

TEST_F(MeasuresFixture, ThetaPropagation)
{
    FloatZEVVectorConcrete out;
    int calls = 0;
    EXPECT_TRUE(g.calculateThetaVariable(0, 1.0f, theta, &calls, out)); // no vertices
    EXPECT_EQ(calls, 0);

    // Two triangles sharing an edge, and a third one apart.
    ShapeSet* tris = g.addFaceSet("patch", TRI, 3, 1.0);
    const int a = vertex(1, 0, 0), b = vertex(2, 0, 0), c = vertex(3, 0, 0), d = vertex(4, 0, 0);
    const int e = vertex(10, 0, 0), f = vertex(20, 0, 0), h = vertex(30, 0, 0);
    (*tris)[0][0] = a, (*tris)[0][1] = b, (*tris)[0][2] = c;
    (*tris)[1][0] = b, (*tris)[1][1] = c, (*tris)[1][2] = d;
    (*tris)[2][0] = e, (*tris)[2][1] = f, (*tris)[2][2] = h;
    EXPECT_FALSE(g.calculateThetaVariable(a, 0.5f, theta, &calls, out));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0], 1.5f);     // base: x + seed
    EXPECT_EQ(out[1], 1.5f + 2); // from the last done vertex of the seed shape
    EXPECT_EQ(out[2], 1.5f + 3);
    EXPECT_EQ(out[3], 1.5f + 3 + 4); // from c, the last done vertex of shape 1
    EXPECT_EQ(out[4], 0.0f);         // the other patch is never reached
    EXPECT_EQ(out[6], 0.0f);

    (*tris)[2][0] = d; // now connected
    EXPECT_TRUE(g.calculateThetaVariable(a, 0.5f, theta, &calls, out));
    EXPECT_EQ(out[5], out[3] + 20);
}

TEST(GeometryMeasuresDeathTest, ThetaBaseVertexOutOfRange)
{
    GeometryAutoPtr holder(GeometryAPI::instance()->newGeometry("", nullptr));
    holder->getVertices().resize(2);
    FloatZEVVectorConcrete out;
    int calls = 0;
    EXPECT_DEATH(holder->calculateThetaVariable(2, 0.0f, theta, &calls, out),
                 "p_baseVertex >= 0 && p_baseVertex < vertexCount");
}

TEST_F(MeasuresFixture, CorrectionFactorsThatAreNotExactFloats)
{
    // 0.1 is not a float: the face factor is rounded to a float once, for the area and the
    // area vector alike; the element factor stays a double until the product is stored.
    ShapeSet* quads = g.addFaceSet("wall", QUAD, 1, 0.1);
    addRectangle(*quads, 0, 0, 0, 9, 1, 0); // area 9
    const float c = static_cast<float>(0.1);
    EXPECT_EQ(g.getFaceAreas()[0], 9.0f * c);
    EXPECT_EQ(g.getFaceAreaVectors()[0][2], static_cast<float>(9.0 * static_cast<double>(c)));
    EXPECT_EQ(g.getFaceAreaVectors()[0][2], g.getFaceAreas()[0]);

    ShapeSet* hexes = g.addElementSet(0, HEX, 1, 0.1);
    for (int k = 0; k < 8; ++k)
        (*hexes)[0][k] = vertex(float(k % 2) * 9, float((k / 2) % 2), float(k / 4)); // volume 9
    ASSERT_EQ(g.getElementVolumes().size(), 1u);
    EXPECT_EQ(g.getElementVolumes()[0], static_cast<float>(9.0 * 0.1));
    EXPECT_NE(g.getElementVolumes()[0], 9.0f * c); // the two roundings differ here
}
