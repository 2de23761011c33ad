#include "tests/support/ExpectError.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Hexagon.h"
#include "zev/shapes/Pentagon.h"
#include "zev/shapes/Polygon.h"
#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Tri.h"
#include "zev/shapes/Wedge.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zev;
using zevtest::expectError;

namespace {

IntZEVVector ints(std::initializer_list<int> p_values)
{
    IntZEVVector v;
    for (int i : p_values)
        v.push_back(i);
    return v;
}

std::vector<int> slots(const Shape& p_shape)
{
    std::vector<int> r;
    for (int i = 0; i < p_shape.getNumVertices(); ++i)
        r.push_back(p_shape[i]);
    return r;
}

struct Catalogue {
    std::unique_ptr<Shape> shape;
    const char* name;
    ShapeType type;
    int numericType;
    int verts, faces, edges, tableIndex;
};

std::vector<Catalogue> catalogue()
{
    std::vector<Catalogue> c;
    c.push_back({std::make_unique<Tri>(), "Tri", TRI, 2, 3, 1, 3, 0});
    c.push_back({std::make_unique<Quad>(), "Quad", QUAD, 3, 4, 1, 4, 0});
    c.push_back({std::make_unique<Tet>(), "Tet", TET, 4, 4, 4, 6, 7});
    c.push_back({std::make_unique<Wedge>(), "Wedge", WEDGE, 5, 6, 5, 9, 31});
    c.push_back({std::make_unique<Hex>(), "Hex", HEX, 6, 8, 6, 12, 255});
    c.push_back({std::make_unique<Pyramid>(), "Pyramid", PYRAMID, 7, 5, 5, 8, 15});
    c.push_back({std::make_unique<Pentagon>(), "Pentagon", PENTAGON, 8, 5, 1, 5, 0});
    c.push_back({std::make_unique<Hexagon>(), "Hexagon", HEXAGON, 9, 6, 1, 6, 0});
    return c;
}

} // namespace

TEST(Shape, TypeCatalogue)
{
    for (const Catalogue& c : catalogue()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.shape->getType(), c.type);
        EXPECT_EQ(static_cast<int>(c.shape->getType()), c.numericType);
        EXPECT_EQ(c.shape->getNumVertices(), c.verts);
        EXPECT_EQ(c.shape->getNumFaces(), c.faces);
        EXPECT_EQ(c.shape->getNumEdges(), c.edges);
        EXPECT_EQ(c.shape->getTableIndex(), c.tableIndex);
        EXPECT_EQ(std::string(toString(c.type)), c.name);
    }
    EXPECT_STREQ(toString(POLYGON), "Polygon");
    EXPECT_STREQ(toString(POLYHEDRON), "Polyhedron");
    EXPECT_STREQ(toString(static_cast<ShapeType>(1)), "Unknown");
    EXPECT_EQ(Hex::staticGetNumVertices(), 8);
    EXPECT_EQ(Hex::staticGetNumFaces(), 6);
    EXPECT_EQ(Hex::staticGetNumEdges(), 12);
    EXPECT_EQ(Pyramid::staticGetType(), PYRAMID);
    EXPECT_EQ(Polygon::staticGetNumVertices(), -1);
    EXPECT_EQ(Polygon::staticGetNumEdges(), -1);
    EXPECT_EQ(Polygon::staticGetType(), POLYGON);
    EXPECT_EQ(Polyhedron::staticGetNumVertices(), -1);
    EXPECT_EQ(Polyhedron::staticGetNumFaces(), -1);
    EXPECT_EQ(Polyhedron::staticGetType(), POLYHEDRON);
    EXPECT_EQ(static_cast<int>(POLYHEDRON), 11);
    EXPECT_EQ(static_cast<int>(POLYGON), 10);
    EXPECT_EQ(Polyhedron().getTableIndex(), 0);
    EXPECT_EQ(Polygon().getTableIndex(), 0);
}

// Every row of every element's face, parametric-order and edge table.
TEST(Shape, ElementFaceIPAndEdgeTables)
{
    struct Row {
        const Shape* shape;
        int face;
        std::vector<int> vert;
        std::vector<int> ips;
    };
    const Tet tet;
    const Pyramid pyr;
    const Wedge wed;
    const Hex hex;
    const std::vector<Row> rows = {
        {&tet, 0, {0, 2, 1}, {0, 1, 2}},       {&tet, 1, {0, 1, 3}, {0, 1, 3}},
        {&tet, 2, {1, 2, 3}, {1, 2, 3}},       {&tet, 3, {3, 2, 0}, {0, 2, 3}},
        {&pyr, 0, {0, 4, 3}, {0, 3, 4}},       {&pyr, 1, {1, 2, 4}, {1, 2, 4}},
        {&pyr, 2, {0, 1, 4}, {0, 1, 4}},       {&pyr, 3, {2, 3, 4}, {3, 2, 4}},
        {&pyr, 4, {3, 2, 1, 0}, {0, 1, 3, 2}}, {&wed, 0, {0, 3, 5, 2}, {0, 2, 3, 5}},
        {&wed, 1, {0, 1, 4, 3}, {0, 1, 3, 4}}, {&wed, 2, {1, 2, 5, 4}, {1, 2, 4, 5}},
        {&wed, 3, {0, 2, 1}, {0, 1, 2}},       {&wed, 4, {3, 4, 5}, {3, 4, 5}},
        {&hex, 0, {0, 4, 6, 2}, {0, 2, 4, 6}}, {&hex, 1, {1, 3, 7, 5}, {1, 3, 5, 7}},
        {&hex, 2, {0, 1, 5, 4}, {0, 1, 4, 5}}, {&hex, 3, {2, 6, 7, 3}, {2, 3, 6, 7}},
        {&hex, 4, {0, 2, 3, 1}, {0, 1, 2, 3}}, {&hex, 5, {4, 5, 7, 6}, {4, 5, 6, 7}},
    };
    int count[12] = {};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "type " << r.shape->getType() << " face " << r.face);
        ++count[r.shape->getType()];
        int n = -1;
        const int* array = nullptr;
        const int* row = r.shape->getVerticesForFace(r.face, n, &array);
        ASSERT_EQ(n, static_cast<int>(r.vert.size()));
        EXPECT_EQ(std::vector<int>(row, row + n), r.vert);
        EXPECT_EQ(array, &(*r.shape)[0]);
        n = -1;
        array = nullptr;
        row = r.shape->getIPsForFace(r.face, n, &array);
        ASSERT_EQ(n, static_cast<int>(r.ips.size()));
        EXPECT_EQ(std::vector<int>(row, row + n), r.ips);
        EXPECT_EQ(array, &(*r.shape)[0]);
    }
    for (const Shape* s : {static_cast<const Shape*>(&tet), static_cast<const Shape*>(&pyr),
                           static_cast<const Shape*>(&wed), static_cast<const Shape*>(&hex)})
        EXPECT_EQ(count[s->getType()], s->getNumFaces())
            << "every face of type " << s->getType() << " is listed";
    // Columns past a row's length hold 0.
    EXPECT_EQ(Pyramid::m_face2vert[0][3], 0);
    EXPECT_EQ(Wedge::m_face2IPs[4][3], 0);

    struct Edges {
        const Shape* shape;
        std::vector<std::pair<int, int>> edges;
    };
    const std::vector<Edges> edges = {
        {&tet, {{0, 1}, {0, 2}, {2, 1}, {0, 3}, {3, 1}, {3, 2}}},
        {&pyr, {{0, 1}, {3, 2}, {0, 3}, {1, 2}, {0, 4}, {1, 4}, {3, 4}, {2, 4}}},
        {&wed, {{0, 2}, {0, 1}, {1, 2}, {3, 5}, {3, 4}, {4, 5}, {0, 3}, {1, 4}, {2, 5}}},
        {&hex,
         {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3}, {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}}},
    };
    for (const Edges& e : edges) {
        ASSERT_EQ(static_cast<int>(e.edges.size()), e.shape->getNumEdges());
        for (std::size_t k = 0; k < e.edges.size(); ++k) {
            EXPECT_EQ(e.shape->getEdgeConnectivity(static_cast<int>(k), 0), e.edges[k].first);
            EXPECT_EQ(e.shape->getEdgeConnectivity(static_cast<int>(k), 1), e.edges[k].second);
        }
    }
}

TEST(Shape, FaceClassesHaveNoElementFaces)
{
    Tri tri;
    Polygon poly;
    for (Shape* s : {static_cast<Shape*>(&tri), static_cast<Shape*>(&poly)}) {
        int n = 0;
        const int* array = nullptr;
        expectError<data::invalid>([&] { s->getVerticesForFace(0, n, &array); }, "Face", "getVerticesForFace",
                                   "getVerticesForFace called on a Face object");
        expectError<data::invalid>([&] { s->getIPsForFace(0, n, &array); }, "Face", "getIPsForFace",
                                   "getVerticesForFace called on a Face object");
    }
    // Shapes without marching tables answer the defaults.
    EXPECT_EQ(tri.getMarchingTable(0), nullptr);
    EXPECT_EQ(tri.getMarchingListSize(0), 0);
    EXPECT_EQ(tri.getEdgeConnectivity(0, 0), 0);
    int n = -5;
    EXPECT_EQ(tri.getRegionFacesForVert(0, n), nullptr);
    EXPECT_EQ(n, -5);
}

TEST(Shape, SetVerticesRequiresEnoughEntries)
{
    Hex hex;
    hex.setVertices(ints({10, 11, 12, 13, 14, 15, 16, 17}));
    expectError<data::invalid>(
        [&] {
            hex.setVertices(ints({0, 1, 2, 3, 4, 5, 6}));
        },
        "Hex", "setVertices", "Require at least 8 vertices for Hex");
    EXPECT_EQ(slots(hex), (std::vector<int>{10, 11, 12, 13, 14, 15, 16, 17}))
        << "unchanged after the failure";
    hex.setVertices(ints({0, 1, 2, 3, 4, 5, 6, 7, 99}));
    EXPECT_EQ(slots(hex), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    for (const Catalogue& c : catalogue()) {
        expectError<data::invalid>(
            [&] {
                c.shape->setVertices(ints({1, 2}));
            },
            c.name, "setVertices",
            std::string("Require at least ") + std::to_string(c.verts) + " vertices for " + c.name);
    }

    Polygon poly;
    poly.setVertices(ints({})); // a polygon of no vertices accepts any list
    poly.setVertices(ints({1, 2, 3}));
    EXPECT_EQ(poly.getNumVertices(), 0);
    poly.setNumVertices(4);
    EXPECT_EQ(slots(poly), (std::vector<int>{0, 0, 0, 0}));
    expectError<data::invalid>(
        [&] {
            poly.setVertices(ints({1, 2, 3}));
        },
        "Polygon", "setVertices", "Require at least 4 vertices for Polygon");
    poly.setVertices(ints({4, 5, 6, 7, 8}));
    EXPECT_EQ(slots(poly), (std::vector<int>{4, 5, 6, 7}));

    // A polyhedron refuses a short list instead of reading past its end.
    Polyhedron ph;
    ph.setNumVertices(3);
    expectError<data::invalid>(
        [&] {
            ph.setVertices(ints({1, 2}));
        },
        "Polyhedron", "setVertices", "Require at least 3 vertices for Polyhedron");
    ph.setVertices(ints({7, 8, 9, 10}));
    EXPECT_EQ(slots(ph), (std::vector<int>{7, 8, 9}));
}

TEST(Shape, CopyFromChecksTypesAndResizesPolygons)
{
    Tet tet;
    tet.setVertices(ints({1, 2, 3, 4}));
    Hex hex;
    hex.setVertices(ints({0, 1, 2, 3, 4, 5, 6, 7}));
    expectError<internal::badParam>([&] { hex.copyFrom(tet); }, "Shape", "copyFromImp",
                                    "Invalid shapes for copying");
    EXPECT_EQ(slots(hex), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    Tet other;
    other.setInterpolationProxy(&hex);
    tet.setInterpolationProxy(&tet);
    other.copyFrom(tet);
    EXPECT_EQ(slots(other), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(other.getInterpolationProxy(), &hex) << "copyFrom keeps the target's proxy";

    Polygon seven;
    seven.setNumVertices(7);
    seven.setVertices(ints({10, 11, 12, 13, 14, 15, 16}));
    Polygon five;
    five.setNumVertices(5);
    five.copyFrom(seven);
    EXPECT_EQ(five.getNumVertices(), 7);
    EXPECT_EQ(slots(five), (std::vector<int>{10, 11, 12, 13, 14, 15, 16}));

    // Plain copies carry the proxy pointer.
    const Tet copy(tet);
    EXPECT_EQ(copy.getInterpolationProxy(), &tet);
    EXPECT_TRUE(copy.hasInterpolationProxy());
    EXPECT_FALSE(Tet().hasInterpolationProxy());
}

TEST(Shape, PolyhedronBuildingAndCopying)
{
    Polyhedron ph;
    EXPECT_EQ(ph.getNumVertices(), 0);
    EXPECT_EQ(ph.getNumFaces(), 0);
    EXPECT_EQ(ph.getNumEdges(), 0);
    ph.setNumVertices(4);
    ph.setVertices(ints({20, 21, 22, 23}));
    ph.setNumFaces(4);
    const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {3, 2, 0}};
    for (int f = 0; f < 4; ++f) {
        ph.setFaceVertSize(f, 3);
        for (int i = 0; i < 3; ++i)
            ph.setFaceVertex(f, i, faces[f][i]);
    }
    ph.setNumEdges(6);
    EXPECT_EQ(ph.getNumFaces(), 4);
    EXPECT_EQ(ph.getNumEdges(), 6);

    int n = 0;
    const int* list = nullptr;
    const int* corners = ph.getVerticesForFace(3, n, &list);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(std::vector<int>(corners, corners + 3), (std::vector<int>{3, 2, 0}));
    EXPECT_EQ(list[corners[0]], 23);
    n = 0;
    list = nullptr;
    EXPECT_EQ(ph.getIPsForFace(1, n, &list), nullptr);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(list, &ph[0]);

    Polyhedron copy;
    Hex proxy;
    ph.setInterpolationProxy(&proxy);
    copy.copyFrom(ph);
    EXPECT_EQ(slots(copy), (std::vector<int>{20, 21, 22, 23}));
    EXPECT_EQ(copy.getNumFaces(), 4);
    EXPECT_EQ(copy.getNumEdges(), 6);
    EXPECT_EQ(copy.getInterpolationProxy(), &proxy);
    corners = copy.getVerticesForFace(2, n, &list);
    EXPECT_EQ(std::vector<int>(corners, corners + n), (std::vector<int>{1, 2, 3}));

    const Hex hex;
    expectError<internal::badParam>([&] { copy.copyFrom(hex); }, "Shape", "copyFromImp",
                                    "Invalid shapes for copying");
    EXPECT_EQ(copy.getNumVertices(), 4);
}

TEST(Shape, PolygonCounts)
{
    Polygon poly;
    EXPECT_EQ(poly.getNumVertices(), 0);
    poly.setNumVertices(6);
    poly.setNumEdges(2);
    EXPECT_EQ(poly.getNumEdges(), 6) << "a polygon has as many edges as vertices";
    EXPECT_EQ(poly.getNumFaces(), 1);
    poly[5] = 9;
    poly.setNumVertices(3);
    poly.setNumVertices(6);
    EXPECT_EQ(poly[5], 0) << "regrown entries start at 0";
    // A negative count is refused before anything changes.
    EXPECT_THROW(poly.setNumVertices(-1), data::invalid);
    EXPECT_EQ(poly.getNumVertices(), 6);
    // Fixed classes ignore the building operations.
    Quad quad;
    quad.setNumVertices(9);
    quad.setNumEdges(9);
    EXPECT_EQ(quad.getNumVertices(), 4);
    EXPECT_EQ(quad.getNumEdges(), 4);
}

TEST(Shape, DegeneracyAndRemapping)
{
    Tet tet;
    tet.setVertices(ints({4, 9, 4, 2}));
    EXPECT_TRUE(tet.isDegenerate());
    tet.setVertices(ints({4, 9, 5, 2}));
    EXPECT_FALSE(tet.isDegenerate());
    Hex hex;
    hex.setVertices(ints({0, 1, 2, 3, 4, 5, 6, 0})); // first and last slot
    EXPECT_TRUE(hex.isDegenerate());
    EXPECT_FALSE(Polygon().isDegenerate());

    const std::vector<int> map = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    tet.remapVertices(map);
    EXPECT_EQ(slots(tet), (std::vector<int>{14, 19, 15, 12}));
    Polygon poly;
    poly.setNumVertices(3);
    poly.setVertices(ints({9, 0, 3}));
    poly.remapVertices(map);
    EXPECT_EQ(slots(poly), (std::vector<int>{19, 10, 13}));
}

TEST(Shape, PrintWritesLabelAndIndices)
{
    Pyramid pyr;
    pyr.setVertices(ints({5, 6, 7, 8, 9}));
    Polygon poly;
    poly.setNumVertices(2);
    poly.setVertices(ints({3, 1}));
    Polyhedron ph;
    ph.setNumVertices(2);
    ph.setVertices(ints({4, 2}));
    ph.setNumFaces(1);
    Tri tri;
    tri.setVertices(ints({0, 1, 2}));

    testing::internal::CaptureStdout();
    pyr.print();
    poly.print();
    ph.print();
    tri.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Pyramid: 5 6 7 8 9 \nPolygon: 3 1 \nPolyhedron: 4 2 \nTri: 0 1 2 \n");
}

TEST(Shape, FaceCachesResetAndDefaults)
{
    TripletZEVVector v;
    v.push_back(Triplet(0, 0, 0));
    v.push_back(Triplet(2, 0, 0));
    v.push_back(Triplet(0, 4, 0));
    v.push_back(Triplet(0, 0, 6));
    Tet tet;
    tet.setVertices(ints({0, 1, 2, 3}));
    EXPECT_EQ(tet.calcCentroid(v), Triplet(0.5f, 1.0f, 1.5f));
    Triplet lo, hi;
    tet.calcExtents(v, lo, hi);
    EXPECT_EQ(lo, Triplet(0, 0, 0));
    EXPECT_EQ(hi, Triplet(2, 4, 6));
    EXPECT_TRUE(tet.isWithinExtents(Triplet(2, 4, 6), v));
    EXPECT_FALSE(tet.isWithinExtents(Triplet(2, 4, 6.00001f), v));
    EXPECT_DOUBLE_EQ(tet.lengthScale(v), 4.0);

    Tri tri;
    tri.setVertices(ints({0, 1, 2}));
    EXPECT_EQ(tri.normalVector(v), Triplet(0, 0, 8)) << "twice the area vector";
    EXPECT_EQ(static_cast<const Shape&>(tri).normalVector(v), Triplet())
        << "the const slot keeps its default";
    FloatZEVVectorConcrete volumes(4);
    EXPECT_EQ(tri.calcVertexVolumes(v, volumes), 0.0f);
    EXPECT_EQ(volumes[0], 0.0f);
}
