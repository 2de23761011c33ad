#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

using namespace zev;
using namespace zev::test;
using Rows = std::vector<std::vector<int>>;

namespace {

GeometryAutoPtr newGeometry()
{
    return GeometryAutoPtr(GeometryAPI::instance()->newGeometry("", nullptr));
}

class TestGeometry : public Geometry {
public:
    void fileVariable(const std::string& p_name)
    {
        m_variables[VarKey(p_name, eVertex)] = new ScalarVariable(eConservative, eVertex);
    }
    ~TestGeometry() override = default;
};

std::vector<std::string> faceSetNames(const Geometry& g)
{
    return g.getFaceSetNames();
}

std::vector<Triplet> vertexList(const Geometry& g)
{
    return std::vector<Triplet>(g.getVertices().begin(), g.getVertices().end());
}

class StageRecorder : public ProgressListener {
public:
    void progress(const std::string& p_stage, double) override
    {
        if (stages.empty() || stages.back() != p_stage)
            stages.push_back(p_stage);
    }
    std::vector<std::string> stages;
};

} // namespace

// ------------------------------------------------------------------ calculateFaces

TEST(GeometryFaces, BoundaryFacesOfSmallMeshes)
{
    {
        // The shared face 1 2 3 is the third face of the first tet and the second of the other.
        auto g = newGeometry();
        buildTwoTets(*g.get());
        ASSERT_TRUE(g->calculateFaces());
        EXPECT_EQ(faceSetNames(*g.get()), std::vector<std::string>{"ELEMTRIS"});
        EXPECT_EQ(shapeVertices(*g->getFaceSet("ELEMTRIS")),
                  (Rows{{0, 2, 1}, {0, 1, 3}, {3, 2, 0}, {1, 4, 2}, {2, 4, 3}, {3, 4, 1}}));
    }
    {
        auto g = newGeometry();
        buildUnitCubeHex(*g.get());
        ASSERT_TRUE(g->calculateFaces());
        EXPECT_EQ(faceSetNames(*g.get()), std::vector<std::string>{"ELEMQUADS"});
        EXPECT_EQ(shapeVertices(*g->getFaceSet("ELEMQUADS")),
                  (Rows{{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}}));
    }
    {
        auto g = newGeometry();
        addVertices(*g.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1});
        addElements(*g.get(), 0, WEDGE, {{0, 1, 2, 3, 4, 5}});
        ASSERT_TRUE(g->calculateFaces());
        EXPECT_EQ(shapeVertices(*g->getFaceSet("ELEMTRIS")), (Rows{{0, 2, 1}, {3, 4, 5}}));
        EXPECT_EQ(shapeVertices(*g->getFaceSet("ELEMQUADS")),
                  (Rows{{0, 3, 5, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}}));
    }
}

TEST(GeometryFaces, SharedFacesAreMatchedAcrossSetsAndElementTypes)
{
    // A tet in ES1 on the top triangle of a wedge in ES2: the triangle disappears from both.
    auto g = newGeometry();
    addVertices(*g.get(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1, 0, 0, 2});
    addElements(*g.get(), 0, TET, {{3, 4, 5, 6}});
    addElements(*g.get(), 1, WEDGE, {{0, 1, 2, 3, 4, 5}});
    ASSERT_TRUE(g->calculateFaces());
    EXPECT_EQ(shapeVertices(*g->getFaceSet("ELEMTRIS")), (Rows{{3, 4, 6}, {4, 5, 6}, {6, 5, 3}, {0, 2, 1}}));
    EXPECT_EQ(g->getFaceSet("ELEMQUADS")->size(), 3u);

    // Two identical hexes leave nothing at all.
    auto twin = newGeometry();
    buildUnitCubeHex(*twin.get());
    addElements(*twin.get(), 1, HEX, {{0, 1, 2, 3, 4, 5, 6, 7}});
    EXPECT_FALSE(twin->calculateFaces());
    EXPECT_TRUE(faceSetNames(*twin.get()).empty());
}

TEST(GeometryFaces, SparseVertexNumbersGiveTheSameBoundary)
{
    // Indices far apart take the sorted-key path instead of the per-vertex buckets.
    const int big = 50000000;
    auto g = newGeometry();
    addElements(*g.get(), 0, HEX, {{0, 1, 2, 3, 4, 5, 6, 7}, {4, 5, 6, 7, big, big + 1, big + 2, big + 3}});
    ASSERT_TRUE(g->calculateFaces());
    const Rows quads = shapeVertices(*g->getFaceSet("ELEMQUADS"));
    ASSERT_EQ(quads.size(), 10u);
    EXPECT_EQ(quads[4], (std::vector<int>{0, 2, 3, 1}));
    EXPECT_EQ(quads[5], (std::vector<int>{4, big, big + 2, 6}));
    for (const auto& q : quads)
        EXPECT_NE(q, (std::vector<int>{4, 5, 7, 6}));
}

TEST(GeometryFaces, PolyhedraGivePolygonsIncludingLongSharedFaces)
{
    // Two pentagonal prisms stacked on a shared pentagon: 2 pentagons and 10 quadrilateral
    // polygons remain.
    auto g = newGeometry();
    for (int level = 0; level < 3; ++level)
        for (int k = 0; k < 5; ++k)
            g->getVertices().push_back(Triplet(std::cos(1.2566f * k), std::sin(1.2566f * k), float(level)));
    ShapeSet* set = g->addElementSet(0, POLYHEDRON, 2, 1.0);
    for (int e = 0; e < 2; ++e) {
        Shape& p = (*set)[static_cast<std::size_t>(e)];
        p.setNumVertices(10);
        for (int v = 0; v < 10; ++v)
            p[v] = 5 * e + v;
        p.setNumFaces(7);
        p.setFaceVertSize(0, 5);
        p.setFaceVertSize(1, 5);
        for (int k = 0; k < 5; ++k) {
            p.setFaceVertex(0, k, 4 - k);
            p.setFaceVertex(1, k, 5 + k);
            p.setFaceVertSize(2 + k, 4);
            const int next = (k + 1) % 5;
            const int quad[4] = {k, next, 5 + next, 5 + k};
            for (int c = 0; c < 4; ++c)
                p.setFaceVertex(2 + k, c, quad[c]);
        }
    }
    ASSERT_TRUE(g->calculateFaces());
    EXPECT_EQ(faceSetNames(*g.get()), std::vector<std::string>{"ELEMPOLYGONS"});
    const Rows polygons = shapeVertices(*g->getFaceSet("ELEMPOLYGONS"));
    ASSERT_EQ(polygons.size(), 12u);
    EXPECT_EQ(polygons[0], (std::vector<int>{4, 3, 2, 1, 0}));
    EXPECT_EQ(polygons[1], (std::vector<int>{0, 1, 6, 5}));
    EXPECT_EQ(polygons[6], (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(polygons[7], (std::vector<int>{5, 6, 11, 10}));
    EXPECT_EQ(polygons[11], (std::vector<int>{9, 5, 10, 14}));
}

TEST(GeometryFaces, NothingToBuildAndRepeatedCalls)
{
    auto empty = newGeometry();
    EXPECT_FALSE(empty->calculateFaces());
    empty->addElementSet(0, HEX, 0, 1.0);
    EXPECT_FALSE(empty->calculateFaces());
    EXPECT_TRUE(faceSetNames(*empty.get()).empty());

    auto g = newGeometry();
    buildUnitCubeHex(*g.get());
    ASSERT_TRUE(g->calculateFaces());
    const ShapeSet* first = g->getFaceSet("ELEMQUADS");
    EXPECT_TRUE(g->calculateFaces());
    EXPECT_EQ(g->getFaceSet("ELEMQUADS"), first);
    EXPECT_EQ(g->getNumFaces(), 6);
}

TEST(GeometryFaces, ProgressRunsThroughTheStagesInOrder)
{
    StageRecorder recorder;
    ProgressListener* previous = ProgressTracker::setListener(&recorder);
    auto g = newGeometry();
    buildHexBox(*g.get(), 6);
    EXPECT_TRUE(g->calculateFaces());
    ProgressTracker::setListener(previous);
    ASSERT_FALSE(recorder.stages.empty());
    EXPECT_EQ(recorder.stages.front(), "ES1");
    EXPECT_NE(std::find(recorder.stages.begin(), recorder.stages.end(), "quadset"), recorder.stages.end());
}

TEST(GeometryFaces, FaceSetsAsElementsAreRefusedAndNothingIsAdded)
{
    auto g = newGeometry();
    buildUnitCubeHex(*g.get());
    ShapeSet* tris = FaceFactory::instance()->getFaceSetByType(TRI, 1);
    g->insertElementSet("ES2", tris);
    zevtest::expectError<internal::badParam>([&] { g->calculateFaces(); }, "Geometry", "getFaceType",
                                             "Invalid face type");
    EXPECT_TRUE(faceSetNames(*g.get()).empty());
}

// The boundary of a generated box: 6 N^2 quadrilaterals (12 N^2 triangles for tets) whose
// area vectors point outwards, sum to zero, and whose areas sum to the box surface.
TEST(GeometryFaces, BoundaryOfGeneratedBoxesIsClosedAndOutward)
{
    for (int n : {1, 3, 5}) {
        for (bool tets : {false, true}) {
            auto g = newGeometry();
            if (tets)
                buildTetBox(*g.get(), n);
            else
                buildHexBox(*g.get(), n);
            ASSERT_TRUE(g->calculateFaces());
            const ShapeSet* set = g->getFaceSet(tets ? "ELEMTRIS" : "ELEMQUADS");
            ASSERT_NE(set, nullptr);
            EXPECT_EQ(g->getNumFaces(), (tets ? 12 : 6) * n * n) << "n=" << n;
            const TripletZEVVector& v = g->getVertices();
            double sum[3] = {0, 0, 0};
            double area = 0;
            for (std::size_t f = 0; f < set->size(); ++f) {
                const Shape& s = (*set)[f];
                Triplet a;
                Triplet centre;
                if (tets) {
                    a = (v[s[1]] - v[s[0]]).cross(v[s[2]] - v[s[0]]) * 0.5f;
                    centre = (v[s[0]] + v[s[1]] + v[s[2]]) / 3.0f;
                } else {
                    a = (v[s[2]] - v[s[0]]).cross(v[s[3]] - v[s[1]]) * 0.5f;
                    centre = (v[s[0]] + v[s[1]] + v[s[2]] + v[s[3]]) / 4.0f;
                }
                EXPECT_GT(a.dot(centre - Triplet(0.5f, 0.5f, 0.5f)), 0.0f)
                    << "face " << f << " points inwards";
                for (int c = 0; c < 3; ++c)
                    sum[c] += a[c];
                area += a.length();
            }
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(sum[c], 0.0, 1e-5);
            EXPECT_NEAR(area, 6.0, 1e-4);
        }
    }
}

// ------------------------------------------------------------------ removeDuplicateVertices

TEST(GeometryMerge, CoincidentVerticesMergeIntoTheSmallerIndex)
{
    auto g = newGeometry();
    // Vertex i at (i + 1, 0, 0), except vertex 7, which sits on vertex 3.
    for (int i = 0; i < 10; ++i)
        g->getVertices().push_back(Triplet(float(i == 7 ? 4 : i + 1), 0.0f, 0.0f));
    addFaces(*g.get(), "tris", TRI, {{3, 7, 9}, {0, 1, 2}});
    addFaces(*g.get(), "quads", QUAD, {{3, 7, 8, 9}});
    addElements(*g.get(), 0, TET, {{7, 1, 2, 9}});
    g->getLines().push_back(7);
    g->getLines().push_back(8);
    g->removeDuplicateVertices(0.001);

    ASSERT_EQ(g->getNumVertices(), 9);
    // Old 0..6 stay 0..6, 8 -> 7, 9 -> 8, and 7 -> 3.
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(g->getVertices()[static_cast<std::size_t>(i)][0], float(i < 7 ? i + 1 : i + 2));
    EXPECT_EQ(shapeVertices(*g->getFaceSet("tris")), (Rows{{0, 1, 2}}));
    EXPECT_EQ(shapeVertices(*g->getFaceSet("quads")), (Rows{{3, 3, 7, 8}}));
    EXPECT_EQ(shapeVertices(*g->getElementSet("ES1")), (Rows{{3, 1, 2, 8}}));
    EXPECT_EQ(std::vector<int>(g->getLines().begin(), g->getLines().end()), (std::vector<int>{3, 7}));
}

TEST(GeometryMerge, VerticesAreReorderedByDistanceFromTheOrigin)
{
    auto g = newGeometry();
    addVertices(*g.get(), {0, 0, 3, -2, 0, 0, 0, 1, 0, ZEV_UNDEF, 0, 0, 0, 0, 0});
    addFaces(*g.get(), "tris", TRI, {{0, 1, 2}});
    g->removeDuplicateVertices(0.0);
    const std::vector<Triplet> expected = {Triplet(0, 0, 0), Triplet(0, 1, 0), Triplet(-2, 0, 0),
                                           Triplet(0, 0, 3), Triplet(ZEV_UNDEF, 0, 0)};
    EXPECT_EQ(vertexList(*g.get()), expected);
    EXPECT_EQ(shapeVertices(*g->getFaceSet("tris")), (Rows{{3, 2, 1}}));

    auto two = newGeometry();
    addVertices(*two.get(), {1, 0, 0, 0, 0, 0});
    two->removeDuplicateVertices(10.0);
    EXPECT_EQ(vertexList(*two.get()), (std::vector<Triplet>{Triplet(1, 0, 0), Triplet(0, 0, 0)}));
}

TEST(GeometryMerge, NegativeToleranceComesFromTheShapes)
{
    // Without shapes nothing changes, not even the order.
    auto bare = newGeometry();
    addVertices(*bare.get(), {5, 0, 0, 1, 0, 0, 1, 0, 0});
    bare->removeDuplicateVertices(-1.0);
    EXPECT_EQ(vertexList(*bare.get()),
              (std::vector<Triplet>{Triplet(5, 0, 0), Triplet(1, 0, 0), Triplet(1, 0, 0)}));

    // One triangle of length scale 2: t = 0.01, so 0.005 apart merges and 0.02 apart does not.
    auto g = newGeometry();
    addVertices(*g.get(), {0, 0, 0, 2, 0, 0, 0, 2, 0, 5, 0, 0, 5.005f, 0, 0, 7, 0, 0, 7.02f, 0, 0});
    addFaces(*g.get(), "tri", TRI, {{0, 1, 2}});
    g->removeDuplicateVertices(-1.0);
    EXPECT_EQ(g->getNumVertices(), 6);
    EXPECT_EQ(g->getVertices()[3], Triplet(5, 0, 0));
    EXPECT_EQ(g->getVertices()[4], Triplet(7, 0, 0));
}

TEST(GeometryMerge, ChainsResolveToTheFirstVertexAndVariablesGo)
{
    auto g = std::unique_ptr<TestGeometry>(new TestGeometry);
    // 0.6 apart with tolerance 1: 2 merges into 1, which merges into 0.
    addVertices(*g.get(), {10, 0, 0, 10.6f, 0, 0, 11.2f, 0, 0, 30, 0, 0});
    g->fileVariable("Pressure");
    g->removeDuplicateVertices(1.0);
    EXPECT_EQ(vertexList(*g.get()), (std::vector<Triplet>{Triplet(10, 0, 0), Triplet(30, 0, 0)}));
    EXPECT_EQ(g->getNumVars(), 0);
}

TEST(GeometryMerge, InfiniteToleranceMergesEverythingIntoTheFirstVertex)
{
    // Every vertex finds a smaller-numbered one within an infinite tolerance, so all chains
    // end at vertex 0.
    auto g = newGeometry();
    addVertices(*g.get(), {3, 0, 0, 1, 0, 0, 2, 0, 0, 0, 0, 5});
    g->getLines().push_back(3);
    g->getLines().push_back(2);
    g->removeDuplicateVertices(std::numeric_limits<double>::infinity());
    EXPECT_EQ(vertexList(*g.get()), std::vector<Triplet>{Triplet(3, 0, 0)});
    EXPECT_EQ(std::vector<int>(g->getLines().begin(), g->getLines().end()), (std::vector<int>{0, 0}));
}

namespace {

// The merge as a direct walk of the magnitude band: the surviving vertices in order and every
// vertex's new index.
std::pair<std::vector<Triplet>, std::vector<int>> bandWalk(const std::vector<Triplet>& p_points, double p_t)
{
    const std::size_t n = p_points.size();
    std::vector<std::size_t> sorted(n);
    for (std::size_t i = 0; i < n; ++i)
        sorted[i] = i;
    auto mag2 = [&](std::size_t i) {
        const Triplet& p = p_points[i];
        return double(p[0]) * p[0] + double(p[1]) * p[1] + double(p[2]) * p[2];
    };
    std::sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        return mag2(a) < mag2(b) || (mag2(a) == mag2(b) && a < b);
    });
    std::vector<std::size_t> parent(n);
    for (std::size_t i = 0; i < n; ++i)
        parent[i] = i;
    for (std::size_t r : sorted) {
        const double m = std::sqrt(mag2(r));
        const double e = std::max(p_t, m * 1e-5);
        const double low = e > m ? 0.0 : (m - e) * (m - e), high = (m + e) * (m + e);
        for (std::size_t c : sorted) {
            if (mag2(c) < low)
                continue;
            if (mag2(c) > high)
                break;
            const double dx = double(p_points[c][0]) - p_points[r][0];
            const double dy = double(p_points[c][1]) - p_points[r][1];
            const double dz = double(p_points[c][2]) - p_points[r][2];
            if (std::sqrt(dx * dx + dy * dy + dz * dz) < e && c < r) {
                parent[r] = c;
                break;
            }
        }
    }
    std::vector<Triplet> survivors;
    std::vector<int> newIndex(n, -1);
    for (std::size_t r : sorted)
        if (parent[r] == r) {
            newIndex[r] = static_cast<int>(survivors.size());
            survivors.push_back(p_points[r]);
        }
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t root = i;
        while (parent[root] != root)
            root = parent[root];
        newIndex[i] = newIndex[root];
    }
    return {survivors, newIndex};
}

// Merges p_points with tolerance p_t and compares the vertices and the renumbering (carried by
// a line array naming every vertex) with the band walk.
void expectBandWalk(const std::vector<Triplet>& p_points, double p_t, const std::string& p_case)
{
    const auto expected = bandWalk(p_points, p_t);
    auto g = newGeometry();
    for (const Triplet& p : p_points)
        g->getVertices().push_back(p);
    for (std::size_t i = 0; i < p_points.size(); ++i)
        g->getLines().push_back(static_cast<int>(i));
    g->removeDuplicateVertices(p_t);
    EXPECT_EQ(vertexList(*g.get()), expected.first) << p_case;
    EXPECT_EQ(std::vector<int>(g->getLines().begin(), g->getLines().end()), expected.second) << p_case;
}

} // namespace

// The result matches a direct walk of the magnitude band, vertex by vertex: on clustered random
// points, on exact copies of lattice points (as a mesh read cell by cell arrives), and on
// lattices whose spacing is close to the tolerance, so that points sit near cell borders.
TEST(GeometryMerge, MatchesTheBandWalk)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-3.0f, 3.0f);
    std::uniform_real_distribution<float> jitter(-0.004f, 0.004f);
    std::vector<Triplet> clusters;
    for (int c = 0; c < 400; ++c) {
        const Triplet centre(position(random), position(random), position(random));
        const int copies = 1 + c % 4;
        for (int k = 0; k < copies; ++k)
            clusters.push_back(centre + Triplet(jitter(random), jitter(random), jitter(random)));
    }
    std::shuffle(clusters.begin(), clusters.end(), random);
    expectBandWalk(clusters, 0.005, "clusters");

    for (float spacing : {0.25f, 0.01f, 0.0011f, 0.001f}) {
        std::vector<Triplet> copies;
        for (int k = 0; k < 6; ++k)
            for (int j = 0; j < 6; ++j)
                for (int i = 0; i < 6; ++i) {
                    const Triplet p(spacing * i - 0.0123f, spacing * j, 1.0f - spacing * k);
                    for (int c = 0; c < 1 + (i + j + k) % 4; ++c)
                        copies.push_back(p);
                }
        std::shuffle(copies.begin(), copies.end(), random);
        for (double t : {0.0, 0.001, 0.1})
            expectBandWalk(copies, t,
                           "lattice " + std::to_string(spacing) + " tolerance " + std::to_string(t));
    }
}

// ------------------------------------------------------------------ unify

TEST(GeometryUnify, ConcatenatesVerticesLinesAndFaceSets)
{
    auto a = newGeometry();
    addVertices(*a.get(), {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    addFaces(*a.get(), "q", QUAD, {{0, 1, 2, 3}});
    a->getLines().push_back(0);
    a->getLines().push_back(1);
    auto b = newGeometry();
    addVertices(*b.get(), {0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 2, 0, 1, 2, 1, 1});
    addFaces(*b.get(), "q", QUAD, {{0, 1, 2, 3}, {1, 4, 5, 2}});
    b->getLines().push_back(5);
    auto* interpolant = new VertexInterpolant("fluid");
    for (int v : {10, 11, 12, 13, 14, 15})
        interpolant->pushVertex(v);
    b->setInterpolant(interpolant);

    auto target = newGeometry();
    std::vector<Geometry*> sources{a.get(), b.get()};
    std::vector<std::vector<int>> maps;
    EXPECT_EQ(target->unify(sources, maps, true, true), 10);
    EXPECT_EQ(faceSetNames(*target.get()), (std::vector<std::string>{"FS0000000000", "FS0000000001"}));
    EXPECT_EQ(shapeVertices(*target->getFaceSet("FS0000000000")), (Rows{{0, 1, 2, 3}}));
    EXPECT_EQ(shapeVertices(*target->getFaceSet("FS0000000001")), (Rows{{4, 5, 6, 7}, {5, 8, 9, 6}}));
    EXPECT_EQ(std::vector<int>(target->getLines().begin(), target->getLines().end()),
              (std::vector<int>{0, 1, 9}));
    EXPECT_EQ(target->getVertices()[9], Triplet(2, 1, 1));
    EXPECT_EQ(maps, (std::vector<std::vector<int>>{{0, 1, 2, 3}, {4, 5, 6, 7, 8, 9}}));

    // The hybrid interpolant: empty records for a, the vertex records of b under "fluid".
    const auto* hybrid = dynamic_cast<const HybridInterpolant*>(target->getInterpolant());
    ASSERT_NE(hybrid, nullptr);
    ASSERT_EQ(hybrid->size(), 10u);
    EXPECT_EQ(hybrid->getDomains(), std::vector<std::string>{"fluid"});
    HybridInterpolantData data;
    std::string domain;
    hybrid->getInternalData(0, data, domain);
    EXPECT_EQ(data.size(), 0u);
    hybrid->getInternalData(7, data, domain);
    EXPECT_EQ(data.m_nodes, std::vector<int>{13});
    EXPECT_EQ(domain, "fluid");

    // Without maps or interpolant.
    auto plain = newGeometry();
    std::vector<std::vector<int>> untouched{{42}};
    EXPECT_EQ(plain->unify(sources, untouched, false, false), 10);
    EXPECT_EQ(untouched, std::vector<std::vector<int>>{{42}});
    EXPECT_FALSE(plain->hasInterpolant());
}

TEST(GeometryUnify, RefusesANonEmptyTargetOrBadSources)
{
    auto source = newGeometry();
    buildQuadPatch(*source.get());
    std::vector<Geometry*> sources{source.get()};
    std::vector<std::vector<int>> maps;
    auto unify = [&](Geometry* target, std::vector<Geometry*>& list) {
        target->unify(list, maps, true, true);
    };

    auto withFaces = newGeometry();
    addVertices(*withFaces.get(), {0, 0, 0});
    withFaces->addFaceSet("mine", TRI, 0, 1.0);
    withFaces->addElementSet(0, TET, 0, 1.0); // empty element sets do not count
    zevtest::expectError<data::invalid>([&] { unify(withFaces.get(), sources); }, "Geometry", "unify",
                                        "Target Geometry already contains face sets.");
    EXPECT_EQ(withFaces->getNumVertices(), 1);
    EXPECT_TRUE(maps.empty());

    auto withElements = newGeometry();
    buildUnitCubeHex(*withElements.get());
    withElements->addFaceSet("mine", TRI, 0, 1.0);
    zevtest::expectError<data::invalid>([&] { unify(withElements.get(), sources); }, "Geometry", "unify",
                                        "Target Geometry already contains Elements.");

    auto withVariables = std::unique_ptr<TestGeometry>(new TestGeometry);
    withVariables->fileVariable("p");
    withVariables->setInterpolant(new VertexInterpolant("d"));
    zevtest::expectError<data::invalid>([&] { unify(withVariables.get(), sources); }, "Geometry", "unify",
                                        "Target Geometry already contains Variables.");

    auto withInterpolant = newGeometry();
    withInterpolant->setInterpolant(new VertexInterpolant("d"));
    std::vector<Geometry*> none;
    zevtest::expectError<data::invalid>([&] { unify(withInterpolant.get(), none); }, "Geometry", "unify",
                                        "Target Geometry already contains an interpolant.");

    auto target = newGeometry();
    zevtest::expectError<data::invalid>([&] { unify(target.get(), none); }, "Geometry", "unify",
                                        "Geometry Vector provided is empty.");
    std::vector<Geometry*> withNull{source.get(), nullptr};
    zevtest::expectError<internal::nullPointer>([&] { unify(target.get(), withNull); }, "Geometry", "unify",
                                                "GeometryVector contains null pointers.");
    EXPECT_EQ(target->getNumVertices(), 0);
    EXPECT_FALSE(target->hasInterpolant());

    // A target that is also one of its sources grows under its own copy.
    addVertices(*target.get(), {0, 0, 0});
    std::vector<Geometry*> self{target.get(), source.get()};
    zevtest::expectError<internal::error>(
        [&] { unify(target.get(), self); }, "Geometry", "unify",
        "Vertex sizing of new geometry insufficient, need at least 33, got 17.");
}

// ------------------------------------------------------------------ constructSubdomain

TEST(GeometrySubdomain, CopiesTheUsedVerticesInDomainOrder)
{
    auto domain = newGeometry();
    domain->setName("/cases/fluid");
    for (int i = 0; i < 12; ++i)
        domain->getVertices().push_back(Triplet(float(i), 0, 0));
    addFaces(*domain.get(), "wall", TRI, {{0, 1, 2}});
    addElements(*domain.get(), 0, TET, {{0, 1, 2, 3}});
    ShapeSet* tri = FaceFactory::instance()->getFaceSetByType(TRI, 1);
    (*tri)[0][0] = 5;
    (*tri)[0][1] = 2;
    (*tri)[0][2] = 9;
    domain->insertElementSet("inlet", tri);

    auto sub = newGeometry();
    sub->constructSubdomain(domain.get(), {"inlet"});
    EXPECT_EQ(sub->getElementSetNames(), std::vector<std::string>{"inlet"});
    EXPECT_EQ(shapeVertices(*sub->getElementSet("inlet")), (Rows{{1, 0, 2}}));
    EXPECT_EQ(vertexList(*sub.get()),
              (std::vector<Triplet>{Triplet(2, 0, 0), Triplet(5, 0, 0), Triplet(9, 0, 0)}));
    const auto* interpolant = dynamic_cast<const VertexInterpolant*>(sub->getInterpolant());
    ASSERT_NE(interpolant, nullptr);
    EXPECT_EQ(interpolant->getDomains(), std::vector<std::string>{"/cases/fluid"});
    ASSERT_EQ(interpolant->size(), 3u);
    EXPECT_EQ(interpolant->getInternalData(2), 9);
    // The domain keeps its own set.
    EXPECT_EQ((*domain->getElementSet("inlet"))[0][0], 5);

    // Two sets share one numbering.
    auto both = newGeometry();
    both->constructSubdomain(domain.get(), {"inlet", "ES1"});
    EXPECT_EQ(both->getNumVertices(), 6);
    EXPECT_EQ(shapeVertices(*both->getElementSet("ES1")), (Rows{{0, 1, 2, 3}}));
    EXPECT_EQ(shapeVertices(*both->getElementSet("inlet")), (Rows{{4, 2, 5}}));
}

TEST(GeometrySubdomain, Failures)
{
    auto sub = newGeometry();
    zevtest::expectError<internal::nullPointer>([&] { sub->constructSubdomain(nullptr, {"ES1"}); },
                                                "Geometry", "constructSubdomain",
                                                "No domain geometry provided.");
    auto domain = newGeometry();
    domain->setName("/cases/fluid");
    buildUnitCubeHex(*domain.get());
    sub->constructSubdomain(domain.get(), {});
    EXPECT_EQ(sub->getNumElementSets(), 0);
    zevtest::expectError<internal::nullPointer>(
        [&] {
            sub->constructSubdomain(domain.get(), {"ES1", "ES7"});
        },
        "Geometry", "constructSubdomain", "Could not find element set ES7 for domain fluid.");
    // The set before the failure stays.
    EXPECT_EQ(sub->getElementSetNames(), std::vector<std::string>{"ES1"});

    // Elements that point past the domain's vertices are refused instead of read.
    auto broken = newGeometry();
    addVertices(*broken.get(), {0, 0, 0});
    addElements(*broken.get(), 0, TET, {{0, 0, 0, 4}});
    auto other = newGeometry();
    EXPECT_THROW(other->constructSubdomain(broken.get(), {"ES1"}), data::invalid);
    EXPECT_EQ(other->getNumElementSets(), 0);
}
