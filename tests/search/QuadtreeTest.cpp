#include "zev/search/Quadtree.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/search/QuadtreeNode.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

using namespace zev;

namespace {

// Lowest index among the points nearest in the plane, skipping the ones construct refuses
// (a repeat of an earlier-inserted planar position).
int bruteNearest(const ZEVVector<Triplet>& p_points, const std::vector<bool>& p_kept, const Triplet& p_q)
{
    int best = -1;
    double bestD = 0.0;
    for (std::size_t i = 0; i < p_points.size(); ++i) {
        if (!p_kept[i])
            continue;
        const double dx = static_cast<double>(p_q[0]) - p_points[i][0];
        const double dy = static_cast<double>(p_q[1]) - p_points[i][1];
        const double d = dx * dx + dy * dy;
        if (best < 0 || d < bestD) {
            best = static_cast<int>(i);
            bestD = d;
        }
    }
    return best;
}

// Which points survive insertion from the middle outwards.
std::vector<bool> keptPoints(const ZEVVector<Triplet>& p_points)
{
    const std::size_t n = p_points.size();
    std::vector<std::size_t> order;
    for (std::size_t i = (n - 1) / 2 + 1; i-- > 0;)
        order.push_back(i);
    for (std::size_t i = (n - 1) / 2 + 1; i < n; ++i)
        order.push_back(i);
    std::vector<bool> kept(n, false);
    std::map<std::pair<float, float>, bool> seen;
    for (std::size_t i : order)
        kept[i] = seen.emplace(std::make_pair(p_points[i][0], p_points[i][1]), true).second;
    return kept;
}

} // namespace

TEST(Quadtree, NearestPointMatchesBruteForceWithRepeatsAndTies)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> grid(0, 20);
    ZEVVector<Triplet> points;
    // Integer lattice positions: many repeats and many equally near candidates.
    for (int i = 0; i < 400; ++i)
        points.push_back(Triplet(grid(random) * 0.5f, grid(random) * 0.5f, static_cast<float>(i)));
    Quadtree tree;
    tree.construct(points);
    const std::vector<bool> kept = keptPoints(points);
    std::uniform_real_distribution<float> u(-2.0f, 12.0f);
    for (int i = 0; i < 500; ++i) {
        // Half the queries on lattice midpoints, where ties are everywhere.
        const Triplet q = i % 2 ? Triplet(u(random), u(random), 0)
                                : Triplet(grid(random) * 0.5f + 0.25f, grid(random) * 0.5f + 0.25f, 0);
        ASSERT_EQ(tree.findNearestPoint(q), bruteNearest(points, kept, q)) << q[0] << " " << q[1];
    }
}

TEST(Quadtree, RepeatedPositionKeepsTheFirstInserted)
{
    // With three points the middle one (index 1) goes in first.
    ZEVVector<Triplet> points{Triplet(1, 1, 0), Triplet(1, 1, 5), Triplet(4, 4, 0)};
    Quadtree tree;
    tree.construct(points);
    EXPECT_EQ(tree.findNearestPoint(Triplet(1.1f, 1.0f, 0)), 1);
    EXPECT_EQ(tree.findNearestPoint(Triplet(3.5f, 3.9f, 0)), 2);
}

TEST(Quadtree, SortedInputStaysShallow)
{
    // Sorted by x: inserted from the middle outwards, the tree splits on y at every level.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> u(0.0f, 1000.0f);
    ZEVVector<Triplet> points;
    for (int i = 0; i < 30000; ++i)
        points.push_back(Triplet(static_cast<float>(i) * 0.03f, u(random), 0));
    Quadtree tree;
    tree.construct(points);
    EXPECT_LT(tree.getHeight(), 200);
    const std::vector<bool> kept = keptPoints(points);
    std::uniform_real_distribution<float> x(-10.0f, 910.0f);
    for (int i = 0; i < 300; ++i) {
        const Triplet q(x(random), u(random), 0);
        ASSERT_EQ(tree.findNearestPoint(q), bruteNearest(points, kept, q));
    }
}

TEST(Quadtree, DiagonalInputBuildsAChainThatNeedsNoRecursion)
{
    TripletZEVVector line;
    for (int i = 0; i < 8000; ++i)
        line.push_back(Triplet(static_cast<float>(i), static_cast<float>(i), 0));
    Quadtree tree;
    tree.construct(line);
    // Middle outwards along a diagonal still gives two chains of n/2; every traversal copes.
    EXPECT_EQ(tree.getHeight(), 4000);
    EXPECT_EQ(tree.findNearestPoint(Triplet(2345.2f, 2345.4f, 0)), 2345);
    EXPECT_EQ(tree.findNearestPoint(Triplet(-50, -50, 0)), 0);
    EXPECT_EQ(tree.findNearestPoint(Triplet(1e6f, 1e6f, 0)), 7999);
    testing::internal::CaptureStderr();
    tree.displayStatistics();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nQuadtree Summary:\n\tNumber of leaf nodes is 2\n\tTree height is 4000\n\tQuadtree node is " +
                  std::to_string(sizeof(QuadtreeNode)) + " bytes in size\n\n");
    tree.destroy();
    EXPECT_EQ(tree.findNearestPoint(Triplet(0, 0, 0)), -1);
}

TEST(Quadtree, EmptyInputNaNQueriesAndExtents)
{
    Quadtree tree;
    tree.construct(ZEVVector<Triplet>());
    EXPECT_EQ(tree.findNearestPoint(Triplet(0, 0, 0)), -1);
    ZEVVector<Triplet> points{Triplet(2, -1, 3), Triplet(-4, 5, 1)};
    tree.construct(points);
    EXPECT_EQ(tree.findNearestPoint(Triplet(std::numeric_limits<float>::quiet_NaN(), 0, 0)), -1);
    EXPECT_EQ(tree.getMinimum(), Triplet(-4, -1, 1));
    EXPECT_EQ(tree.getMaximum(), Triplet(2, 5, 3));
    // Index 0 is the middle and the root; index 1 lies in its quadrant 3 (x <, y >=).
    const QuadtreeNode* root = tree.getRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getNodeIndex(), 0);
    const QuadtreeNode* child = root->getChild(3);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->getLowerLeft(), Triplet(-4, -1, 3));
    EXPECT_EQ(child->getUpperRight(), Triplet(2, 5, 3));
    // A child asked for a quadrant that does not exist stays unattached with a zero box.
    QuadtreeNode lone(Triplet(0, 0, 0), 0, Triplet(-1, -1, -1), Triplet(1, 1, 1));
    testing::internal::CaptureStderr();
    QuadtreeNode stray(&lone, 4, Triplet(0.5f, 0.5f, 0), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "QuadtreeNode::QuadtreeNode: No/wrong quadrant specified for a child node\n");
    EXPECT_EQ(stray.getLowerLeft(), Triplet(0, 0, 0));
    EXPECT_EQ(stray.getUpperRight(), Triplet(0, 0, 0));
    EXPECT_TRUE(lone.isLeaf());
    testing::internal::CaptureStdout();
    child->printBoundingBox();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\tmin = -4, -1, 3\n\tmax = 2, 5, 3\n");
}

TEST(Quadtree, BoundingBoxesOfShapes)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    test::buildTwoTets(*g.get());
    Quadtree tree;
    tree.computeBoundingBoxes(*g.get(), *g->getElementSet(0));
    ASSERT_EQ(tree.getBoundingBoxes().size(), 4u);
    Triplet lo, hi;
    (*g->getElementSet(0))[1].calcExtents(g->getVertices(), lo, hi);
    EXPECT_EQ(tree.getBoundingBoxes()[2], lo);
    EXPECT_EQ(tree.getBoundingBoxes()[3], hi);
}

TEST(Quadtree, ChildBoxOfEveryQuadrant)
{
    // Quadrant 0 holds x >= and y >= the parent's point, 1 x >= and y <, 2 both <, 3 x < and
    // y >=; z follows y.
    QuadtreeNode parent(Triplet(1, 2, 3), 0, Triplet(0, 0, 0), Triplet(4, 4, 4));
    const Triplet expected[4][2] = {{Triplet(1, 2, 3), Triplet(4, 4, 4)},
                                    {Triplet(1, 0, 0), Triplet(4, 2, 3)},
                                    {Triplet(0, 0, 0), Triplet(1, 2, 3)},
                                    {Triplet(0, 2, 3), Triplet(1, 4, 4)}};
    for (int q = 0; q < 4; ++q) {
        const QuadtreeNode child(&parent, q, Triplet(0.5f, 0.5f, 0.5f), q + 1);
        EXPECT_EQ(child.getLowerLeft(), expected[q][0]) << "quadrant " << q;
        EXPECT_EQ(child.getUpperRight(), expected[q][1]) << "quadrant " << q;
        EXPECT_EQ(parent.getChild(q), &child) << "quadrant " << q;
    }
    EXPECT_FALSE(parent.isLeaf());
}
