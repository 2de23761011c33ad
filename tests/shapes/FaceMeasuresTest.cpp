#include "tests/support/ExpectError.h"
#include "zev/shapes/ShapeSetBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace zev;
using zevtest::expectError;

namespace {

constexpr float kTol = 1e-5f;

void expectTriplet(const Triplet& p_actual, const Triplet& p_expected, float p_tol = kTol)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(p_actual[c], p_expected[c], p_tol) << "component " << c;
}

TripletZEVVector points(std::initializer_list<Triplet> p_points)
{
    TripletZEVVector v;
    for (const Triplet& p : p_points)
        v.push_back(p);
    return v;
}

// The unit square in the z = 0 plane, on vertices 4 to 7 behind four unused ones, so that
// global and local numbers differ.
TripletZEVVector squareVertices()
{
    return points({{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
}

Quad unitSquare()
{
    Quad q;
    for (int k = 0; k < 4; ++k)
        q[k] = 4 + k;
    return q;
}

} // namespace

TEST(FaceMeasures, UnitSquareAreaNormalStatesAndCaching)
{
    TripletZEVVector v = squareVertices();
    Quad q = unitSquare();
    Triplet areaVector(5, 5, 5);
    EXPECT_FLOAT_EQ(q.getArea(v, areaVector), 1.0f);
    EXPECT_EQ(areaVector, Triplet(0, 0, 1));

    // The raw normal is twice the area vector; asking for a unit normal later normalises
    // the cached one, which is then what both kinds of request get.
    Triplet n;
    EXPECT_TRUE(q.getNormal(v, n, false));
    EXPECT_EQ(n, Triplet(0, 0, 2));
    EXPECT_TRUE(q.getNormal(v, n, true));
    EXPECT_EQ(n, Triplet(0, 0, 1));
    EXPECT_TRUE(q.getNormal(v, n, false));
    EXPECT_EQ(n, Triplet(0, 0, 1));

    // Both measures are cached: moving a corner changes nothing until the caches are reset.
    v[6] = Triplet(2, 2, 0);
    EXPECT_FLOAT_EQ(q.getArea(v, areaVector), 1.0f);
    q.resetAreaCalcFlag();
    EXPECT_FLOAT_EQ(q.getArea(v, areaVector), 2.0f);
    EXPECT_TRUE(q.getNormal(v, n, false));
    EXPECT_EQ(n, Triplet(0, 0, 1)) << "the normal cache is separate";
    q.clearDataStores();
    EXPECT_TRUE(q.getNormal(v, n, false));
    EXPECT_EQ(n, Triplet(0, 0, 4));

    // A face turned the other way has the opposite area vector.
    Quad reversed;
    for (int k = 0; k < 4; ++k)
        reversed[k] = 7 - k;
    EXPECT_FLOAT_EQ(reversed.getArea(squareVertices(), areaVector), 1.0f);
    EXPECT_EQ(areaVector, Triplet(0, 0, -1));
}

TEST(FaceMeasures, CollinearTriangleHasNoNormalUntilReset)
{
    TripletZEVVector v = points({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    Tri tri;
    tri[0] = 0;
    tri[1] = 1;
    tri[2] = 2;
    Triplet n;
    EXPECT_FALSE(tri.getNormal(v, n, true));
    // A degenerate face answers from its state: moving a corner does not bring a normal back.
    v[2] = Triplet(0, 2, 0);
    EXPECT_FALSE(tri.getNormal(v, n, false));
    tri.resetNormalCalcFlag();
    EXPECT_TRUE(tri.getNormal(v, n, false));

    // A zero area is never cached, so it is computed again on every call.
    v[2] = Triplet(2, 2, 2);
    Triplet a;
    EXPECT_EQ(tri.getArea(v, a), 0.0f);
    EXPECT_EQ(tri.getArea(v, a), 0.0f);
    v[2] = Triplet(2, 0, 0);
    EXPECT_NEAR(tri.getArea(v, a), std::sqrt(2.0f), kTol);
}

TEST(FaceMeasures, AreasOfEveryFaceClass)
{
    const float s3 = std::sqrt(3.0f);
    // A regular hexagon of unit side, a house-shaped pentagon and a right triangle.
    const TripletZEVVector v = points({{1, 0, 0},
                                       {0.5f, s3 / 2, 0},
                                       {-0.5f, s3 / 2, 0},
                                       {-1, 0, 0},
                                       {-0.5f, -s3 / 2, 0},
                                       {0.5f, -s3 / 2, 0},
                                       {0, 0, 1},
                                       {1, 0, 1},
                                       {1, 1, 1},
                                       {0.5f, 1.5f, 1},
                                       {0, 1, 1}});
    Hexagon hexagon;
    for (int k = 0; k < 6; ++k)
        hexagon[k] = k;
    Pentagon pentagon;
    for (int k = 0; k < 5; ++k)
        pentagon[k] = 6 + k;
    Tri tri;
    tri[0] = 6;
    tri[1] = 7;
    tri[2] = 10;
    Polygon polygon;
    polygon.setNumVertices(5);
    for (int k = 0; k < 5; ++k)
        polygon[k] = 6 + k;

    Triplet a;
    EXPECT_NEAR(hexagon.getArea(v, a), 1.5f * s3, kTol);
    expectTriplet(a, Triplet(0, 0, 1.5f * s3));
    EXPECT_NEAR(pentagon.getArea(v, a), 1.25f, kTol);
    EXPECT_NEAR(tri.getArea(v, a), 0.5f, kTol);
    EXPECT_NEAR(polygon.getArea(v, a), 1.25f, kTol);
    Triplet n;
    EXPECT_TRUE(polygon.getNormal(v, n, true));
    expectTriplet(n, Triplet(0, 0, 1));
}

TEST(FaceMeasures, InsideTestOnTheUnitSquare)
{
    const TripletZEVVector v = squareVertices();
    const Quad q = unitSquare();
    struct Case {
        Triplet point;
        bool inside;
    };
    const Case cases[] = {
        {{0.5f, 0.5f, 0}, true},    {{1.5f, 0.5f, 0}, false},
        {{0.5f, 0.5f, 0.1f}, true}, // slightly off the plane is not rejected
        {{0.5f, 0.5f, 3}, false},   // far off it is
        {{0, 0, 0}, true},          // a corner
        {{1, 0.5f, 0}, true},       // an edge
        {{0.5f, -0.01f, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(q.isInside(c.point, v), c.inside)
            << "(" << c.point[0] << ", " << c.point[1] << ", " << c.point[2] << ")";
    EXPECT_FALSE(q.isInside(Triplet(0.5f, 0.5f, 0), TripletZEVVector())) << "no vertices";

    Polygon empty;
    EXPECT_FALSE(empty.isInside(Triplet(0, 0, 0), v));
    Triplet a(7, 7, 7);
    EXPECT_EQ(empty.getArea(v, a), 0.0f);
    EXPECT_EQ(a, Triplet(7, 7, 7)) << "no corners leaves the output alone";
}

TEST(FaceMeasures, ProjectingPointsAndVectors)
{
    const TripletZEVVector v = squareVertices();
    const Quad q = unitSquare();
    Triplet projected;
    float distance = -1.0f;
    EXPECT_TRUE(q.projectPointToFace(Triplet(0.5f, 0.5f, 2), v, projected, distance));
    expectTriplet(projected, Triplet(0.5f, 0.5f, 0));
    EXPECT_FLOAT_EQ(distance, 2.0f);
    // Outside the face: the projection and distance are still written.
    EXPECT_FALSE(q.projectPointToFace(Triplet(2, 2, 1), v, projected, distance));
    expectTriplet(projected, Triplet(2, 2, 0));
    EXPECT_FLOAT_EQ(distance, 1.0f);
    EXPECT_TRUE(q.projectPointToFace(Triplet(0.25f, 0.75f, -3), v, projected, distance));
    EXPECT_FLOAT_EQ(distance, 3.0f) << "unsigned";

    Triplet tangent;
    EXPECT_TRUE(q.projectVectorToFace(Triplet(1, 2, 3), v, tangent));
    expectTriplet(tangent, Triplet(1, 2, 0));

    // A face without a normal projects nothing.
    const TripletZEVVector line = points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    Tri flat;
    flat[0] = 0;
    flat[1] = 1;
    flat[2] = 2;
    EXPECT_FALSE(flat.projectPointToFace(Triplet(1, 1, 1), line, projected, distance));
    EXPECT_FALSE(flat.projectVectorToFace(Triplet(1, 1, 1), line, tangent));
}

TEST(FaceMeasures, RayLeavesTheSquareThroughTheRightEdge)
{
    const TripletZEVVector v = squareVertices();
    const Quad q = unitSquare();
    Edge exit;
    Triplet point;
    float t = -1.0f;
    float fraction = -1.0f;

    // Along +x from the middle: out through the edge of global vertices 5 and 6.
    EXPECT_TRUE(q.intersectEdge(Triplet(0.5f, 0.5f, 0), Triplet(1, 0, 0), v, exit, point, t, fraction, false,
                                false, nullptr));
    EXPECT_EQ(exit, Edge(5, 6));
    expectTriplet(point, Triplet(1, 0.5f, 0));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_EQ(fraction, 0.0f);

    // Along -x, slanting up: through the edge of 7 and 4.
    EXPECT_TRUE(q.intersectEdge(Triplet(0.5f, 0.25f, 0), Triplet(-1, 0.5f, 0), v, exit, point, t, fraction,
                                false, false, nullptr));
    EXPECT_EQ(exit, Edge(4, 7));
    expectTriplet(point, Triplet(0, 0.5f, 0));

    // With the fraction the distance is measured in steps of the given direction.
    EXPECT_TRUE(q.intersectEdge(Triplet(0.25f, 0.5f, 0), Triplet(0, 4, 0), v, exit, point, t, fraction, false,
                                true, nullptr));
    EXPECT_EQ(exit, Edge(6, 7));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(fraction, 0.125f);

    // The in-plane flag drops the component along the normal first.
    EXPECT_TRUE(q.intersectEdge(Triplet(0.5f, 0.5f, 0), Triplet(1, 0, 5), v, exit, point, t, fraction, true,
                                false, nullptr));
    EXPECT_EQ(exit, Edge(5, 6));
    expectTriplet(point, Triplet(1, 0.5f, 0));

    // Skipping the only edge ahead leaves no exit; so does a step too short to measure.
    const Edge skip(5, 6);
    EXPECT_FALSE(q.intersectEdge(Triplet(0.5f, 0.5f, 0), Triplet(1, 0, 0), v, exit, point, t, fraction, false,
                                 false, &skip));
    EXPECT_FALSE(q.intersectEdge(Triplet(0.5f, 0.5f, 0), Triplet(1e-8f, 0, 0), v, exit, point, t, fraction,
                                 false, true, nullptr));
    EXPECT_EQ(fraction, 0.0f);
}

TEST(FaceMeasures, SectorAreasOnFlatAndBentSquares)
{
    const TripletZEVVector square = points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    TripletZEVVector sectors;
    expectTriplet(Shape::getSectorAreasForFace(sectors, square), Triplet(0, 0, 1));
    ASSERT_EQ(sectors.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k)
        expectTriplet(sectors[k], Triplet(0, 0, 0.25f));

    // Bent along the diagonal 0-2: the total keeps the full area of the sectors, which is more
    // than the length of their plain vector sum.
    const TripletZEVVector bent = points({{0, 0, 0}, {1, 0, 0.5f}, {1, 1, 0}, {0, 1, 0.5f}});
    const Triplet total = Shape::getSectorAreasForFace(sectors, bent);
    Triplet plain;
    float areas = 0.0f;
    for (std::size_t k = 0; k < 4; ++k) {
        plain += sectors[k];
        areas += sectors[k].length();
    }
    EXPECT_NEAR(total.length(), areas, kTol);
    EXPECT_GT(areas, plain.length() + 0.01f);
    // The total points roughly along the plain sum (each step rescales the running total, so
    // the directions differ slightly).
    EXPECT_NEAR(total.dot(plain) / (total.length() * plain.length()), 1.0f, 1e-3f);

    TripletZEVVector none;
    expectError<data::invalid>([&] { Shape::getSectorAreasForFace(sectors, none); }, "Triplet",
                               "operator/=", "Attempt to divide by zero.");

    // A face shape gathers its own corners; the per-vertex areas follow the sectors.
    const TripletZEVVector v = squareVertices();
    const Quad q = unitSquare();
    expectTriplet(q.getAreaVector(v, sectors), Triplet(0, 0, 1));
    TripletZEVVector vectors(v.size());
    FloatZEVVectorConcrete vertexAreas(v.size(), 0.0f);
    EXPECT_NEAR(q.calcVertexAreas(v, vectors, vertexAreas), 1.0f, kTol);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_NEAR(vertexAreas[i], i < 4 ? 0.0f : 0.25f, kTol) << "vertex " << i;
        expectTriplet(vectors[i], Triplet(0, 0, i < 4 ? 0.0f : 0.25f));
    }
}

TEST(FaceMeasures, SetSumsOfVertexAreas)
{
    // Two unit squares sharing the edge of vertices 1 and 4.
    const TripletZEVVector v = points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}});
    ShapeSetBase<Quad> quads(2);
    const int corners[2][4] = {{0, 1, 4, 3}, {1, 2, 5, 4}};
    for (std::size_t s = 0; s < 2; ++s)
        for (int k = 0; k < 4; ++k)
            quads[s][k] = corners[s][k];
    // An area-vector array shorter than the vertex array is grown, not written past its end.
    TripletZEVVector vectors;
    FloatZEVVectorConcrete areas(6, 0.0f);
    EXPECT_NEAR(quads.calcVertexAreas(v, vectors, areas), 2.0f, kTol);
    ASSERT_EQ(vectors.size(), 6u);
    const float expected[6] = {0.25f, 0.5f, 0.25f, 0.25f, 0.5f, 0.25f};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(areas[i], expected[i], kTol) << "vertex " << i;
        expectTriplet(vectors[i], Triplet(0, 0, expected[i]));
    }
}

TEST(FaceMeasures, AreaSharesWithoutTotalsMatchTheFullComputation)
{
    // A bent quadrilateral and a warped polygon of ten corners (more than a shape's local
    // table holds), sharing vertices 0 and 1: the share-only path must add bit for bit what
    // the full computation adds.
    TripletZEVVector v = points({{0, 0, 0}, {1, 0, 0.3f}, {1, 1, 0}, {0, 1, 0.5f}});
    for (int k = 0; k < 10; ++k) {
        const float a = 0.6283185f * static_cast<float>(k);
        v.push_back(Triplet(std::cos(a), -1.0f - std::sin(a), 0.1f * static_cast<float>(k % 3)));
    }
    ShapeSetBase<Quad> quads(1);
    for (int k = 0; k < 4; ++k)
        quads[0][k] = k;
    ShapeSetBase<Polygon> polygons(1);
    IntZEVVector ring;
    ring.push_back(0);
    ring.push_back(1);
    for (int k = 0; k < 8; ++k)
        ring.push_back(4 + k);
    polygons[0].setNumVertices(10);
    polygons[0].setVertices(ring);

    TripletZEVVector fullVectors(v.size()), shareVectors(v.size());
    FloatZEVVectorConcrete fullAreas(v.size(), 0.0f), shareAreas(v.size(), 0.0f);
    for (const ShapeSet* set :
         {static_cast<const ShapeSet*>(&quads), static_cast<const ShapeSet*>(&polygons)}) {
        set->calcVertexAreas(v, fullVectors, fullAreas);
        set->addVertexAreas(v, shareVectors, shareAreas);
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        EXPECT_EQ(shareAreas[i], fullAreas[i]) << "vertex " << i;
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(shareVectors[i][c], fullVectors[i][c]) << "vertex " << i << " component " << c;
    }
    EXPECT_GT(shareAreas[0], 0.0f);
    EXPECT_EQ(shareAreas[13], 0.0f); // the polygon's last two points are not used
}

TEST(FaceMeasures, CentroidsOfPolygonsAndFixedFaces)
{
    // A right trapezoid: area 2, made of a unit square (centroid (1/2, 1/2)) and a triangle
    // of area 1 (centroid (5/3, 1/3)).
    const TripletZEVVector v = points({{0, 0, 0}, {3, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    Polygon polygon;
    polygon.setNumVertices(4);
    Quad quad;
    for (int k = 0; k < 4; ++k) {
        polygon[k] = k;
        quad[k] = k;
    }
    expectTriplet(polygon.calcCentroid(v), Triplet(13.0f / 12.0f, 5.0f / 12.0f, 0));
    // Fixed faces take the plain mean.
    expectTriplet(quad.calcCentroid(v), Triplet(1, 0.5f, 0));

    Polygon triangle;
    triangle.setNumVertices(3);
    for (int k = 0; k < 3; ++k)
        triangle[k] = k;
    expectTriplet(triangle.calcCentroid(v), Triplet(4.0f / 3.0f, 1.0f / 3.0f, 0));
}
