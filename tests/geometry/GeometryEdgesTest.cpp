#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/geometry/GeometricAlgorithmInterface.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <memory>

using namespace zev;
using namespace zev::test;

namespace {

GeometryAutoPtr newGeometry(GeometricAlgorithmInterface* p_alg = nullptr)
{
    return GeometryAutoPtr(GeometryAPI::instance()->newGeometry("", p_alg));
}

// Opens the protected queries and stores.
class TestGeometry : public Geometry {
public:
    using Geometry::getNodesAroundNode;
    using Geometry::getSurfaceFaceNames;
    void fileNullFaceSet(const std::string& p_name) { m_faceSets[p_name] = nullptr; }
    ~TestGeometry() override = default;
};

using EdgeList = std::vector<std::pair<int, int>>;

EdgeList pairs(const ZEVVector<Edge>& p_edges)
{
    EdgeList out;
    for (const Edge& e : p_edges)
        out.emplace_back(e.firstVertex(), e.secondVertex());
    return out;
}

EdgeList linePairs(const IntZEVVector& p_lines)
{
    EdgeList out;
    for (std::size_t i = 0; i + 1 < p_lines.size(); i += 2)
        out.emplace_back(p_lines[i], p_lines[i + 1]);
    return out;
}

// Two triangles (0 1 2) and (2 1 3) on the unit square, sharing the diagonal 1-2.
void buildTwoTriangles(Geometry& g)
{
    addVertices(g, {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
    addFaces(g, "tris", TRI, {{0, 1, 2}, {2, 1, 3}});
}

class RecordingAlgorithm : public GeometricAlgorithmInterface {
public:
    void calculateFeatureLines(const std::string& p_name, const TripletZEVVector& p_vertices,
                               IntZEVVector& p_lines, double p_angle) override
    {
        name = p_name;
        vertexCount = p_vertices.size();
        angle = p_angle;
        p_lines.push_back(7);
        p_lines.push_back(8);
    }
    std::string name;
    std::size_t vertexCount = 0;
    double angle = 0;
};

} // namespace

// ------------------------------------------------------------------ free edges

TEST(GeometryEdges, FreeEdgesAreThoseOfOneFaceOnly)
{
    auto g = newGeometry();
    buildTwoTriangles(*g.get());
    ZEVVector<Edge> edges;
    edges.push_back(Edge(40, 41));
    std::set<int> vertices{99};
    g->getFreeEdges(edges, vertices);
    EXPECT_EQ(pairs(edges), (EdgeList{{0, 1}, {0, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(vertices, (std::set<int>{0, 1, 2, 3}));

    // A closed surface has none; a repeated vertex adds no collapsed edge.
    auto cube = newGeometry();
    buildUnitCubeHex(*cube.get());
    ASSERT_TRUE(cube->calculateFaces());
    cube->getFreeEdges(edges);
    EXPECT_TRUE(edges.empty());

    auto repeated = newGeometry();
    addVertices(*repeated.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0});
    addFaces(*repeated.get(), "q", QUAD, {{0, 1, 1, 2}});
    repeated->getFreeEdges(edges);
    EXPECT_EQ(pairs(edges), (EdgeList{{0, 1}, {0, 2}, {1, 2}}));

    // Patch of 3 x 3 quads: the 12 boundary edges of the 4 x 4 grid.
    auto patch = newGeometry();
    buildQuadPatch(*patch.get());
    patch->getFreeEdges(edges, vertices);
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(vertices.size(), 12u);
    EXPECT_EQ(vertices.count(5), 0u);
}

TEST(GeometryEdges, NullFaceSetIsReported)
{
    auto g = std::unique_ptr<TestGeometry>(new TestGeometry);
    buildTwoTriangles(*g);
    g->fileNullFaceSet("broken");
    ZEVVector<Edge> edges;
    zevtest::expectError<internal::nullPointer>([&] { g->getFreeEdges(edges); }, "Geometry", "getFreeEdges",
                                                "Null pointer found in Face Set Map.");
}

// ------------------------------------------------------------------ neighbours

TEST(GeometryEdges, NodesAroundNode)
{
    auto g = std::unique_ptr<TestGeometry>(new TestGeometry);
    buildQuadPatch(*g);
    std::set<int> around{42};
    g->getNodesAroundNode(0, around);
    EXPECT_EQ(around, (std::set<int>{1, 4}));
    g->getNodesAroundNode(5, around);
    EXPECT_EQ(around, (std::set<int>{1, 4, 6, 9}));
    zevtest::expectError<internal::error>([&] { g->getNodesAroundNode(16, around); }, "Geometry",
                                          "getNodesAroundNode",
                                          "Could not find node 16 in surrounding node set.");
    zevtest::expectError<internal::error>([&] { g->getNodesAroundNode(-1, around); }, "Geometry",
                                          "getNodesAroundNode",
                                          "Could not find node -1 in surrounding node set.");

    // The table follows the sets: a face added later is seen.
    addFaces(*g, "late", TRI, {{0, 15, 10}});
    g->getNodesAroundNode(0, around);
    EXPECT_EQ(around, (std::set<int>{1, 4, 10, 15}));

    auto quad = std::unique_ptr<TestGeometry>(new TestGeometry);
    addVertices(*quad, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    addFaces(*quad, "q", QUAD, {{0, 1, 2, 3}});
    quad->getNodesAroundNode(0, around);
    EXPECT_EQ(around, (std::set<int>{1, 3}));
    EXPECT_THROW(quad->getNodesAroundNode(4, around), internal::error);

    std::map<Geometry::FaceType, std::string> names{{Geometry::Polygons, "old"}};
    quad->getSurfaceFaceNames(names);
    EXPECT_EQ(names, (std::map<Geometry::FaceType, std::string>{{Geometry::Triangles, "ELEMTRIS"},
                                                                {Geometry::Quadrilaterals, "ELEMQUADS"},
                                                                {Geometry::Polygons, "ELEMPOLYGONS"}}));
    EXPECT_EQ(quad->makeWireFrame(30.0f), nullptr);
}

// ------------------------------------------------------------------ lines and wireframes

TEST(GeometryEdges, FullAndVisibleWireframes)
{
    auto g = newGeometry();
    buildTwoTriangles(*g.get());
    g->getLines().push_back(5);
    g->calculateLines(0.0f);
    EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{0, 1}, {0, 2}, {1, 2}, {1, 3}, {2, 3}}));
    // cos 175 degrees is below -0.99: the full wireframe again.
    g->calculateLines(175.0f);
    EXPECT_EQ(g->getLines().size(), 10u);
    // On a flat plane only the outer edges remain.
    g->calculateLines(30.0f);
    EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{0, 1}, {0, 2}, {1, 3}, {2, 3}}));

    // Folded along the diagonal by 90 degrees: visible at 30, hidden at 100.
    auto folded = newGeometry();
    addVertices(*folded.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
    addFaces(*folded.get(), "tris", TRI, {{0, 1, 2}, {0, 3, 1}});
    folded->calculateLines(30.0f);
    EXPECT_EQ(linePairs(folded->getLines()), (EdgeList{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}}));
    folded->calculateLines(100.0f);
    EXPECT_EQ(linePairs(folded->getLines()), (EdgeList{{0, 2}, {0, 3}, {1, 2}, {1, 3}}));

    // A degenerate face adds no edges, and no face sets give no lines.
    auto degenerate = newGeometry();
    addVertices(*degenerate.get(), {0, 0, 0, 1, 0, 0, 2, 0, 0});
    addFaces(*degenerate.get(), "tris", TRI, {{0, 1, 2}});
    degenerate->calculateLines(30.0f);
    EXPECT_TRUE(degenerate->getLines().empty());
    auto bare = newGeometry();
    addVertices(*bare.get(), {0, 0, 0});
    bare->getLines().push_back(0);
    bare->calculateLines(30.0f);
    EXPECT_TRUE(bare->getLines().empty());
}

TEST(GeometryEdges, WireframesSkipCollapsedEdgesAndNegativeIndices)
{
    // A quadrilateral with its last corner repeated contributes no edge between the two equal
    // indices, to the wireframes as to the free edges.
    auto g = newGeometry();
    addVertices(*g.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0});
    addFaces(*g.get(), "q", QUAD, {{0, 1, 2, 2}});
    for (float angle : {0.0f, 30.0f}) {
        g->calculateLines(angle);
        EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{0, 1}, {0, 2}, {1, 2}})) << angle;
    }
    ZEVVector<Edge> edges;
    g->getFreeEdges(edges);
    EXPECT_EQ(pairs(edges), (EdgeList{{0, 1}, {0, 2}, {1, 2}}));

    // An unset corner (-1) gives no line entry below 0.
    auto unset = newGeometry();
    addVertices(*unset.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0});
    addFaces(*unset.get(), "q", QUAD, {{0, 1, 2, -1}});
    for (float angle : {0.0f, 30.0f}) {
        unset->calculateLines(angle);
        EXPECT_EQ(linePairs(unset->getLines()), (EdgeList{{0, 1}, {1, 2}})) << angle;
    }
}

TEST(GeometryEdges, CoplanarityIsJudgedInDoublePrecision)
{
    // Two triangles folded along 0-1 with normals (0, 0, 1) and (0, 0.5, 1) / |.|. At this
    // angle dot - 0.0001 exceeds the cosine in double precision (the shared edge is hidden)
    // but not when the slack is subtracted in float.
    auto g = newGeometry();
    addVertices(*g.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5f, -1, 0.5f});
    addFaces(*g.get(), "tris", TRI, {{0, 1, 2}, {0, 3, 1}});
    g->calculateLines(26.5778599f);
    EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{0, 2}, {0, 3}, {1, 2}, {1, 3}}));
    g->calculateLines(20.0f);
    EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}}));
}

TEST(GeometryEdges, FeatureEdgesOfABoxBoundary)
{
    // The boundary of a 2 x 2 x 2 hex box: only the 12 cube edges, each of two segments.
    auto g = newGeometry();
    buildHexBox(*g.get(), 2);
    ASSERT_TRUE(g->calculateFaces());
    g->calculateLines(30.0f);
    EXPECT_EQ(g->getLines().size(), 48u);
    for (const auto& line : linePairs(g->getLines())) {
        const Triplet a = g->getVertices()[static_cast<std::size_t>(line.first)];
        const Triplet b = g->getVertices()[static_cast<std::size_t>(line.second)];
        int onFaces = 0;
        for (int c = 0; c < 3; ++c)
            onFaces += (a[c] == 0.0f || a[c] == 1.0f) && a[c] == b[c];
        EXPECT_EQ(onFaces, 2) << line.first << "-" << line.second;
    }
    g->calculateLines(0.0f);
    EXPECT_EQ(g->getLines().size(), 2u * 48u);
}

TEST(GeometryEdges, AlgorithmInterfaceTakesOverTheLines)
{
    auto* algorithm = new RecordingAlgorithm;
    auto g = newGeometry(algorithm);
    g->setName("wall");
    buildTwoTriangles(*g.get());
    g->calculateLines(45.0f);
    EXPECT_EQ(algorithm->name, "wall");
    EXPECT_EQ(algorithm->angle, 45.0);
    EXPECT_EQ(linePairs(g->getLines()), (EdgeList{{7, 8}}));

    TripletZEVVector vertices(3);
    IntZEVVector lines;
    lines.push_back(1);
    g->calculateWireframe(vertices, lines, 10.0f);
    EXPECT_EQ(algorithm->vertexCount, 3u);
    EXPECT_EQ(linePairs(lines), (EdgeList{{7, 8}}));

    // Without one, the built-in wireframe fills only the caller's lines.
    auto plain = newGeometry();
    buildTwoTriangles(*plain.get());
    plain->calculateWireframe(vertices, lines, 0.0f);
    EXPECT_EQ(lines.size(), 10u);
    EXPECT_EQ(vertices.size(), 3u);
    EXPECT_TRUE(plain->getLines().empty());
}

// ------------------------------------------------------------------ free edges on boundaries

namespace {

// A boundary geometry whose vertices come from the given parent vertices.
GeometryAutoPtr boundaryOf(const std::string& p_name, const std::vector<int>& p_parents)
{
    auto b = newGeometry();
    b->setName(p_name);
    auto* interpolant = new VertexInterpolant("domain");
    for (int p : p_parents)
        interpolant->pushVertex(p);
    b->setInterpolant(interpolant);
    return b;
}

} // namespace

TEST(GeometryEdges, FreeEdgesOnBoundariesWithAVertexLocator)
{
    // Locator: a 3 x 3 quad patch whose vertex v came from parent vertex 100 + v.
    auto locator = newGeometry();
    buildQuadPatch(*locator.get());
    auto* interpolant = new VertexInterpolant("domain");
    for (int v = 0; v < 16; ++v)
        interpolant->pushVertex(100 + v);
    locator->setInterpolant(interpolant);

    // Boundary A holds the bottom row (parents 100..103), B the left column.
    auto a = boundaryOf("/b/A", {100, 101, 102, 103});
    auto b = boundaryOf("/b/B", {100, 104, 108, 112});
    std::vector<Geometry*> boundaries{a.get(), b.get()};

    ZEVVector<Edge> edges;
    std::set<int> vertices;
    locator->getFreeEdges(edges, vertices);
    std::vector<std::set<int>> perBoundary(5);
    locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, &perBoundary);
    EXPECT_EQ(vertices, (std::set<int>{7, 11, 13, 14, 15}));
    EXPECT_EQ(pairs(edges), (EdgeList{{7, 11}, {11, 15}, {13, 14}, {14, 15}}));
    ASSERT_EQ(perBoundary.size(), 2u);
    EXPECT_EQ(perBoundary[0], (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(perBoundary[1], (std::set<int>{0, 4, 8, 12}));

    locator->getFreeEdges(edges, vertices);
    locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr);
    EXPECT_EQ(vertices, (std::set<int>{7, 11, 13, 14, 15}));
}

TEST(GeometryEdges, FreeEdgesOnBoundariesWithAnEdgeLocator)
{
    // Locator vertices on parent edges: 0 on (1, 2) at w = 1 (so at 1), 1 on (2, 3) at w = 0
    // (at 3), 2 on (1, 3) half way, 3 on (5, 6).
    auto locator = newGeometry();
    addVertices(*locator.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    addFaces(*locator.get(), "q", QUAD, {{0, 1, 2, 3}});
    auto* interpolant = new EdgeInterpolant("domain");
    interpolant->pushVertex(1, 2, 1.0f);
    interpolant->pushVertex(2, 3, 0.0f);
    interpolant->pushVertex(1, 3, 0.5f);
    interpolant->pushVertex(5, 6, 0.5f);
    locator->setInterpolant(interpolant);
    auto boundary = boundaryOf("B", {1, 3});
    std::vector<Geometry*> boundaries{boundary.get()};

    ZEVVector<Edge> edges;
    std::set<int> vertices;
    locator->getFreeEdges(edges, vertices);
    locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr);
    EXPECT_EQ(vertices, (std::set<int>{3}));
    EXPECT_TRUE(edges.empty());

    // The weight limits are 1e-6 and 0.999999 as doubles: a weight of exactly 1e-6f (just
    // below 1e-6) puts the vertex at its boundary end, 0.999999f (just below 0.999999) does
    // not.
    auto limits = newGeometry();
    addVertices(*limits.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0});
    addFaces(*limits.get(), "t", TRI, {{0, 1, 2}});
    auto* limitInterpolant = new EdgeInterpolant("domain");
    limitInterpolant->pushVertex(7, 1, 1e-6f);
    limitInterpolant->pushVertex(1, 7, 0.999999f);
    limitInterpolant->pushVertex(1, 7, 0.9999991f);
    limits->setInterpolant(limitInterpolant);
    auto one = boundaryOf("one", {1});
    std::vector<Geometry*> justOne{one.get()};
    limits->getFreeEdges(edges, vertices);
    limits->findFreeEdgesOnBoundaries(justOne, edges, vertices, nullptr);
    EXPECT_EQ(vertices, (std::set<int>{1}));
    EXPECT_TRUE(edges.empty());
}

TEST(GeometryEdges, FreeEdgesOnBoundariesFailures)
{
    ZEVVector<Edge> edges;
    std::set<int> vertices;
    auto locator = newGeometry();
    locator->setName("/x/loc");
    auto bare = newGeometry();
    bare->setName("/x/bare");
    std::vector<Geometry*> boundaries{bare.get()};
    zevtest::expectError<internal::nullPointer>(
        [&] { locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr); }, "Geometry",
        "findFreeEdgesOnBoundaries", "Boundary bare does not have an interpolant.");

    bare->setInterpolant(new HybridInterpolant("d"));
    zevtest::expectError<internal::error>(
        [&] { locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr); }, "Geometry",
        "findFreeEdgesOnBoundaries", "Cannot calculate free edges on a non-vertex Interpolant.");

    auto good = boundaryOf("good", {1});
    boundaries = {good.get()};
    zevtest::expectError<internal::nullPointer>(
        [&] { locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr); }, "Geometry",
        "findFreeEdgesOnBoundaries", "Locator loc does not have an interpolant.");
    locator->setInterpolant(new HybridInterpolant("d"));
    zevtest::expectError<internal::error>(
        [&] { locator->findFreeEdgesOnBoundaries(boundaries, edges, vertices, nullptr); }, "Geometry",
        "findFreeEdgesOnBoundaries", "Locator /x/loc does not have a vertex or an edge interpolant.");
}
