#include "zev/search/Octree.h"

#include "tests/support/MeshBuilders.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace zev;

namespace {

// A geometry the tests may keep on the stack.
class MeshGeometry : public Geometry {};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* p_name, const char* p_value) : m_name(p_name) { setenv(p_name, p_value, 1); }
    ~ScopedEnv() { unsetenv(m_name.c_str()); }

private:
    std::string m_name;
};

// A tetrahedral box with every interior vertex moved by up to a fifth of the spacing.
void buildJitteredTetBox(Geometry& p_geometry, int p_n, unsigned p_seed)
{
    test::buildTetBox(p_geometry, p_n);
    std::mt19937 random(p_seed);
    std::uniform_real_distribution<float> jitter(-0.2f / static_cast<float>(p_n),
                                                 0.2f / static_cast<float>(p_n));
    for (Triplet& v : p_geometry.getVertices())
        for (int c = 0; c < 3; ++c)
            if (v[c] > 0.0f && v[c] < 1.0f)
                v[c] += jitter(random);
}

std::vector<int> leafIds(const Octree& p_tree, int p_node)
{
    const int* ids = p_tree.GetLeafIds(p_node);
    return std::vector<int>(ids, ids + p_tree.GetNode(p_node).m_count);
}

std::vector<std::vector<int>> collect(const Octree& p_tree)
{
    std::vector<std::vector<int>> out;
    int n = 0;
    while (const int* ids = p_tree.GetNextIntersection(n))
        out.emplace_back(ids, ids + n);
    return out;
}

int depthOf(const Octree& p_tree, int p_node)
{
    int depth = 1;
    for (int p = p_tree.GetNode(p_node).m_parent; p >= 0; p = p_tree.GetNode(p).m_parent)
        ++depth;
    return depth;
}

bool boxContains(const float* p_box, const Triplet& p_point)
{
    for (int c = 0; c < 3; ++c)
        if (p_point[c] < p_box[c] || p_point[c] > p_box[c + 3])
            return false;
    return true;
}

} // namespace

TEST(Octree, SmallSetIsOneLeafListedDescending)
{
    MeshGeometry g;
    test::buildTetBox(g, 3); // 162 tetrahedra
    Octree tree;
    tree.Construct(g, *g.getElementSet(0));
    ASSERT_EQ(tree.GetNodeCount(), 1);
    std::vector<int> expected(162);
    for (int i = 0; i < 162; ++i)
        expected[static_cast<std::size_t>(i)] = 161 - i;
    EXPECT_EQ(leafIds(tree, 0), expected);

    // Inclusive bounds: a corner of the box is inside, a point just beyond it is not.
    tree.IntersectWithPoint(Triplet(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(collect(tree), (std::vector<std::vector<int>>{expected}));
    tree.IntersectWithPoint(Triplet(1.0f, 1.0001f, 0.5f));
    EXPECT_TRUE(collect(tree).empty());

    testing::internal::CaptureStderr();
    tree.DisplayStatistics();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nOctree Summary:\n\tLargest leaf node has 162 object IDs\n"
              "\tAverage number of object IDs per leaf node is 162\n\tNumber of interior nodes is 0\n"
              "\tNumber of leaf nodes is 1\n\tTree height is 1\n\tOctree node is " +
                  std::to_string(sizeof(OctreeNode)) +
                  " bytes in size\n\tEstimated memory words in use is 176\n\n");

    // A rebuild starts counting the height afresh.
    tree.Construct(g, *g.getElementSet(0));
    EXPECT_EQ(tree.GetTreeHeight(), 1);
}

TEST(Octree, InvariantsOfALargeTree)
{
    MeshGeometry g;
    buildJitteredTetBox(g, 14, 7); // 16464 tetrahedra
    const ShapeSet& set = *g.getElementSet(0);
    Octree tree;
    tree.Construct(g, set);
    ASSERT_GT(tree.GetNodeCount(), 9);

    int leaves = 0;
    int interior = 0;
    long long references = 0;
    int height = 0;
    for (int node = 0; node < tree.GetNumPoolNodes(); ++node) {
        const OctreeNode& n = tree.GetNode(node);
        const int depth = depthOf(tree, node);
        if (n.m_parent >= 0) {
            const float* parent = tree.GetNode(n.m_parent).m_box;
            for (int c = 0; c < 3; ++c) {
                EXPECT_GE(n.m_box[c], parent[c]);
                EXPECT_LE(n.m_box[c + 3], parent[c + 3]);
            }
        }
        if (!n.m_leaf) {
            ++interior;
            continue;
        }
        ++leaves;
        references += n.m_count;
        height = std::max(height, depth);
        // Each level reverses the order: descending at even depth, ascending at odd depth.
        const std::vector<int> ids = leafIds(tree, node);
        std::vector<int> sorted = ids;
        if (depth % 2 == 0)
            std::sort(sorted.rbegin(), sorted.rend());
        else
            std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(ids, sorted) << "leaf " << node << " at depth " << depth;
    }
    EXPECT_EQ(leaves + interior, tree.GetNodeCount());
    EXPECT_EQ(references, tree.GetTotalReferences());
    EXPECT_EQ(tree.GetTreeHeight(), height);

    // Every element whose box holds a point is listed in the one leaf the point reaches.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> boxes;
    for (std::size_t e = 0; e < set.size(); ++e) {
        Triplet lo, hi;
        set[e].calcExtents(g.getVertices(), lo, hi);
        boxes.insert(boxes.end(), {lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]});
    }
    for (int trial = 0; trial < 300; ++trial) {
        const Triplet p(unit(random), unit(random), unit(random));
        tree.IntersectWithPoint(p);
        const auto hits = collect(tree);
        ASSERT_EQ(hits.size(), 1u);
        const std::set<int> listed(hits[0].begin(), hits[0].end());
        // The leaf reached is one whose box holds the point, the only one for a point off
        // every leaf boundary.
        std::vector<int> holding;
        for (int node = 0; node < tree.GetNumPoolNodes(); ++node)
            if (tree.GetNode(node).m_leaf && boxContains(tree.GetNode(node).m_box, p))
                holding.push_back(node);
        ASSERT_FALSE(holding.empty());
        if (holding.size() == 1) {
            EXPECT_EQ(hits[0], leafIds(tree, holding[0]));
        }
        // The thinned list keeps the leaf's order and every element whose box holds the point.
        int count = 0;
        const int* thinned = tree.GetCandidatesAtPoint(p, count);
        const std::vector<int> candidates(thinned, thinned + count);
        std::size_t at = 0;
        for (int id : hits[0])
            if (at < candidates.size() && candidates[at] == id)
                ++at;
        EXPECT_EQ(at, candidates.size()) << "not a subsequence of the leaf";
        EXPECT_LT(candidates.size(), hits[0].size());
        const std::set<int> kept(candidates.begin(), candidates.end());
        for (int e = 0; e < static_cast<int>(set.size()); ++e)
            if (boxContains(&boxes[6 * static_cast<std::size_t>(e)], p)) {
                EXPECT_TRUE(listed.count(e)) << "element " << e << " missing at trial " << trial;
                EXPECT_TRUE(kept.count(e)) << "element " << e << " thinned out at trial " << trial;
            }
    }
}

TEST(Octree, SplitRules)
{
    // Elements all crossing the root's z mid-plane: the split is in x and y only.
    {
        MeshGeometry g;
        test::buildTetBox(g, 8);
        for (Triplet& v : g.getVertices())
            v[2] = static_cast<int>(v[2] * 8.0f + 0.5f) % 2 == 0
                       ? 0.0f
                       : 1.0f; // every tetrahedron spans the full height
        Octree tree;
        tree.Construct(g, *g.getElementSet(0));
        ASSERT_FALSE(tree.GetNode(0).m_leaf);
        for (int k = 0; k < 8; ++k) {
            const int child = tree.GetChild(0, k);
            if (k >= 4) {
                EXPECT_EQ(child, -1);
            } else {
                ASSERT_GE(child, 0);
                EXPECT_EQ(tree.GetNode(child).m_box[2], tree.GetNode(0).m_box[2]);
                EXPECT_EQ(tree.GetNode(child).m_box[5], tree.GetNode(0).m_box[5]);
            }
        }
    }
    // Identical elements split until the word budget stops them; every leaf holds them all.
    {
        MeshGeometry g;
        test::addVertices(g, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
        test::addElements(g, 0, TET, std::vector<std::vector<int>>(300, {0, 1, 2, 3}));
        Octree tree;
        tree.Construct(g, *g.getElementSet(0));
        EXPECT_EQ(tree.GetNodeCount(), 5); // one split of 4 straddling children, then 5*14+1200 > 750
        EXPECT_EQ(tree.GetTreeHeight(), 2);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(tree.GetNode(tree.GetChild(0, k)).m_count, 300);
    }
    // A shape with no vertices has an empty box and lands in no child.
    {
        MeshGeometry g;
        test::addVertices(g, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
        ShapeSet* cells = g.addElementSet(0, POLYHEDRON, 300, 1.0);
        for (std::size_t i = 0; i + 1 < 300; ++i) {
            (*cells)[i].setNumVertices(4);
            for (int k = 0; k < 4; ++k)
                (*cells)[i][k] = k;
        }
        Octree tree;
        tree.Construct(g, *cells);
        ASSERT_EQ(tree.GetNodeCount(), 5);
        for (int k = 0; k < 4; ++k) {
            const std::vector<int> ids = leafIds(tree, tree.GetChild(0, k));
            EXPECT_EQ(ids.size(), 299u);
            EXPECT_EQ(std::count(ids.begin(), ids.end(), 299), 0);
        }
    }
}

TEST(Octree, EnvironmentSettings)
{
    MeshGeometry g;
    test::buildTetBox(g, 6); // 1296 tetrahedra
    Octree tree;
    {
        ScopedEnv words("KPL_OCTREE_WORDS_PER_ELEMENT", "0");
        testing::internal::CaptureStdout();
        tree.Construct(g, *g.getElementSet(0));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "\nCustom max num of words/element size set to 0\n");
        EXPECT_EQ(tree.GetNodeCount(), 1);
    }
    {
        ScopedEnv leaf("KPL_OCTREE_MAX_LEAF_SIZE", "2000");
        testing::internal::CaptureStdout();
        tree.Construct(g, *g.getElementSet(0));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCustom octree max leaf size set to 2000\n");
        EXPECT_EQ(tree.GetNodeCount(), 1);
    }
    {
        // A budget past the int range is clamped, not wrapped to a negative number.
        ScopedEnv words("KPL_OCTREE_WORDS_PER_ELEMENT", "1e30");
        testing::internal::CaptureStdout();
        tree.Construct(g, *g.getElementSet(0));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(tree.GetMaxWords(), 2147483647);
        EXPECT_GT(tree.GetNodeCount(), 1);
    }
    tree.Construct(g, *g.getElementSet(0));
    EXPECT_EQ(tree.GetMaxLeafSize(), 256);
    EXPECT_EQ(tree.GetMaxWords(), 1296 * 5 / 2);
}

TEST(Octree, PlaneAndCylinderQueries)
{
    // A single leaf: the plane through the box reports it; one touching only the reference
    // corner (every other corner strictly positive) or missing the box does not.
    MeshGeometry small;
    test::buildUnitCubeHex(small);
    Octree leaf;
    leaf.Construct(small, *small.getElementSet(0));
    leaf.IntersectWithPlane(Triplet(1.0f, 0.0f, 0.0f), 0.5f);
    EXPECT_EQ(collect(leaf).size(), 1u);
    const float* box = leaf.GetNode(0).m_box;
    leaf.IntersectWithPlane(Triplet(1.0f, 1.0f, 1.0f), box[0] + box[1] + box[2]);
    EXPECT_TRUE(collect(leaf).empty());
    leaf.IntersectWithPlane(Triplet(1.0f, 1.0f, 1.0f), -0.5f);
    EXPECT_TRUE(collect(leaf).empty());

    MeshGeometry g;
    buildJitteredTetBox(g, 12, 3);
    const ShapeSet& set = *g.getElementSet(0);
    Octree tree;
    tree.Construct(g, set);
    ASSERT_GT(tree.GetNodeCount(), 1);

    // Every element with vertices strictly on both sides of the plane is listed.
    const Triplet normal(0.3f, -0.5f, 0.8f);
    const float d = 0.2f;
    tree.IntersectWithPlane(normal, d);
    std::set<int> listed;
    for (const auto& ids : collect(tree))
        listed.insert(ids.begin(), ids.end());
    int crossing = 0;
    for (std::size_t e = 0; e < set.size(); ++e) {
        bool below = false;
        bool above = false;
        for (int k = 0; k < 4; ++k) {
            const float f = normal.dot(g.getVertices()[static_cast<std::size_t>(set[e][k])]) - d;
            below = below || f < 0.0f;
            above = above || f > 0.0f;
        }
        if (below && above) {
            ++crossing;
            EXPECT_TRUE(listed.count(static_cast<int>(e))) << e;
        }
    }
    EXPECT_GT(crossing, 100);
    EXPECT_LT(listed.size(), set.size());

    // The cylinder reports exactly the leaves whose corners lie on both sides of its surface.
    const Triplet p1(0.1f, 0.15f, -1.0f);
    const Triplet p2(0.1f, 0.15f, 2.0f);
    const float radius = 0.3f;
    tree.IntersectWithCylinder(p1, p2, radius);
    std::set<const int*> reported;
    int n = 0;
    while (const int* ids = tree.GetNextIntersection(n))
        reported.insert(ids);
    int expected = 0;
    for (int node = 0; node < tree.GetNumPoolNodes(); ++node) {
        const OctreeNode& leafNode = tree.GetNode(node);
        if (!leafNode.m_leaf)
            continue;
        // The descent reaches a leaf only through crossed ancestors.
        bool crossed = true;
        for (int a = node; a >= 0 && crossed; a = tree.GetNode(a).m_parent) {
            int outside = 0;
            for (int k = 0; k < 8; ++k) {
                const float x = tree.GetNode(a).m_box[(k & 1) ? 3 : 0] - 0.1f;
                const float y = tree.GetNode(a).m_box[(k & 2) ? 4 : 1] - 0.15f;
                outside += x * x + y * y >= radius * radius ? 1 : 0;
            }
            crossed = outside > 0 && outside < 8;
        }
        expected += crossed ? 1 : 0;
        EXPECT_EQ(reported.count(tree.GetLeafIds(node)) == 1, crossed) << node;
    }
    EXPECT_EQ(static_cast<int>(reported.size()), expected);
    EXPECT_GT(expected, 0);
}
