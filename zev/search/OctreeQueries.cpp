#include "zev/search/Octree.h"

#include "zev/contracts/FloatUtilities.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

namespace zev {

namespace {

bool containsPoint(const float* p_box, const Triplet& p_point)
{
    return p_point[0] >= p_box[0] && p_point[0] <= p_box[3] && p_point[1] >= p_box[1] &&
           p_point[1] <= p_box[4] && p_point[2] >= p_box[2] && p_point[2] <= p_box[5];
}

// Corner k of a box: bit 0 picks maximum x, bit 1 maximum y, bit 2 maximum z; corner 0 is
// the reference corner of the plane and cylinder tests.
Triplet corner(const float* p_box, int p_k)
{
    return Triplet(p_box[(p_k & 1) ? 3 : 0], p_box[(p_k & 2) ? 4 : 1], p_box[(p_k & 4) ? 5 : 2]);
}

bool planeCrossesBox(const float* p_box, const Triplet& p_normal, float p_d)
{
    auto f = [&](int p_k) {
        const Triplet c = corner(p_box, p_k);
        return p_normal[0] * c[0] + p_normal[1] * c[1] + p_normal[2] * c[2] - p_d;
    };
    const float reference = f(0);
    for (int k = 1; k < 8; ++k) {
        const float v = f(k);
        if (reference >= 0.0f ? v <= 0.0f : v >= 0.0f)
            return true;
    }
    return false;
}

// A corner at p1, or in the plane through p1 across the axis, counts as inside.
bool outsideCylinder(const Triplet& p_corner, const Triplet& p_p1, const Triplet& p_axis, float p_length,
                     float p_radius)
{
    const Triplet v = p_corner - p_p1;
    const float lv = v.length();
    const float va = v.dot(p_axis);
    if (lv == 0.0f || va == 0.0f)
        return false;
    // Rounding can carry the cosine just past 1, where acos has no value.
    const float cosine = std::max(-1.0f, std::min(1.0f, va / (lv * p_length)));
    return lv * std::sin(std::fabs(std::acos(cosine))) >= p_radius;
}

bool cylinderCrossesBox(const float* p_box, const Triplet& p_p1, const Triplet& p_axis, float p_length,
                        float p_radius)
{
    const bool reference = outsideCylinder(corner(p_box, 0), p_p1, p_axis, p_length, p_radius);
    for (int k = 1; k < 8; ++k)
        if (outsideCylinder(corner(p_box, k), p_p1, p_axis, p_length, p_radius) != reference)
            return true;
    return false;
}

// Appends the leaves below p_node whose boxes p_crosses accepts, depth first with the
// children from the highest number down (the order they are stored in); p_node itself was
// accepted by the caller.
template <class Crosses>
void collectLeaves(const std::vector<OctreeNode>& p_nodes, int p_node, std::vector<int>& p_leaves,
                   const Crosses& p_crosses)
{
    const OctreeNode& node = p_nodes[static_cast<std::size_t>(p_node)];
    if (node.m_leaf) {
        p_leaves.push_back(p_node);
        return;
    }
    int child = node.m_payload - 1;
    for (int k = 7; k >= 0; --k) {
        if (((node.m_children >> k) & 1u) == 0)
            continue;
        ++child;
        if (p_crosses(p_nodes[static_cast<std::size_t>(child)].m_box))
            collectLeaves(p_nodes, child, p_leaves, p_crosses);
    }
}

} // namespace

const int* Octree::GetNextIntersection(int& p_count, OctreeQuery& p_query) const
{
    if (p_query.m_cursor >= p_query.m_leaves.size()) {
        p_count = 0;
        return nullptr;
    }
    const OctreeNode& leaf = m_nodes[static_cast<std::size_t>(p_query.m_leaves[p_query.m_cursor++])];
    p_count = leaf.m_count;
    return m_ids.data() + leaf.m_payload;
}

int Octree::FindLeaf(const Triplet& p_point) const
{
    if (m_nodes.empty() || !m_buildIds.empty() || !containsPoint(m_nodes[0].m_box, p_point))
        return -1;
    if (!m_grid.empty()) {
        const int cells = m_gridSize;
        const float* root = m_nodes[0].m_box;
        std::size_t cell = 0;
        for (int c = 2; c >= 0; --c) {
            const int at =
                std::min(cells - 1, std::max(0, static_cast<int>((p_point[c] - root[c]) * m_gridScale[c])));
            cell = cell * cells + static_cast<std::size_t>(at);
        }
        const int leaf = m_grid[cell];
        if (leaf >= 0) {
            // Strictly inside a leaf's box, the point lies in no other leaf: the descent
            // would end there.
            const float* box = m_nodes[static_cast<std::size_t>(leaf)].m_box;
            if (p_point[0] > box[0] && p_point[0] < box[3] && p_point[1] > box[1] && p_point[1] < box[4] &&
                p_point[2] > box[2] && p_point[2] < box[5])
                return leaf;
        }
    }
    return DoPointIntersection(0, p_point);
}

void Octree::IntersectWithPoint(const Triplet& p_point, OctreeQuery& p_query) const
{
    p_query.m_leaves.clear();
    p_query.m_cursor = 0;
    const int leaf = FindLeaf(p_point);
    if (leaf >= 0)
        p_query.m_leaves.push_back(leaf);
}

const int* Octree::GetLeafAtPoint(const Triplet& p_point, int& p_count) const
{
    const int leaf = FindLeaf(p_point);
    if (leaf < 0) {
        p_count = 0;
        return nullptr;
    }
    const OctreeNode& node = m_nodes[static_cast<std::size_t>(leaf)];
    p_count = node.m_count;
    return m_ids.data() + node.m_payload;
}

int Octree::DoPointIntersection(int p_node, const Triplet& p_point) const
{
    const OctreeNode& node = m_nodes[static_cast<std::size_t>(p_node)];
    if (node.m_leaf)
        return p_node;
    int child = node.m_payload;
    for (int k = 7; k >= 0; --k) {
        if (((node.m_children >> k) & 1u) == 0)
            continue;
        if (containsPoint(m_nodes[static_cast<std::size_t>(child)].m_box, p_point)) {
            const int leaf = DoPointIntersection(child, p_point);
            if (leaf >= 0)
                return leaf;
        }
        ++child;
    }
    return -1;
}

void Octree::IntersectWithPlane(const Triplet& p_normal, float p_d, OctreeQuery& p_query) const
{
    p_query.m_leaves.clear();
    p_query.m_cursor = 0;
    if (m_nodes.empty() || !m_buildIds.empty() || !planeCrossesBox(m_nodes[0].m_box, p_normal, p_d))
        return;
    DoPlaneIntersection(0, p_normal, p_d, p_query.m_leaves);
}

void Octree::DoPlaneIntersection(int p_node, const Triplet& p_normal, float p_d,
                                 std::vector<int>& p_leaves) const
{
    collectLeaves(m_nodes, p_node, p_leaves,
                  [&](const float* p_box) { return planeCrossesBox(p_box, p_normal, p_d); });
}

void Octree::IntersectWithCylinder(Triplet p_p1, Triplet p_p2, float p_radius, OctreeQuery& p_query) const
{
    p_query.m_leaves.clear();
    p_query.m_cursor = 0;
    if (m_nodes.empty() || !m_buildIds.empty())
        return;
    const Triplet axis = p_p2 - p_p1;
    const bool undefined = FloatUtilities::isUndef(axis[0]) || FloatUtilities::isUndef(axis[1]) ||
                           FloatUtilities::isUndef(axis[2]);
    const float length = undefined ? std::numeric_limits<float>::max() : axis.length();
    if (!cylinderCrossesBox(m_nodes[0].m_box, p_p1, axis, length, p_radius))
        return;
    DoCylinderIntersection(0, p_p1, axis, length, p_radius, p_query.m_leaves);
}

void Octree::DoCylinderIntersection(int p_node, const Triplet& p_p1, const Triplet& p_axis, float p_length,
                                    float p_radius, std::vector<int>& p_leaves) const
{
    collectLeaves(m_nodes, p_node, p_leaves, [&](const float* p_box) {
        return cylinderCrossesBox(p_box, p_p1, p_axis, p_length, p_radius);
    });
}

void Octree::GatherStatistics(int p_node)
{
    const OctreeNode& node = m_nodes[static_cast<std::size_t>(p_node)];
    if (node.m_leaf) {
        ++m_leafCount;
        m_totalReferences += node.m_count;
        m_largestLeaf = std::max(m_largestLeaf, node.m_count);
        return;
    }
    ++m_interiorCount;
    for (int k = 0; k < 8; ++k) {
        const int child = GetChild(p_node, k);
        if (child >= 0)
            GatherStatistics(child);
    }
}

void Octree::DisplayStatistics()
{
    m_largestLeaf = 0;
    m_totalReferences = 0;
    m_leafCount = 0;
    m_interiorCount = 0;
    if (!m_nodes.empty())
        GatherStatistics(0);
    const float average = m_leafCount > 0 ? static_cast<float>(m_totalReferences / m_leafCount) : 0.0f;
    const long long words =
        static_cast<long long>(m_interiorCount + m_leafCount) * kWordsPerNode + m_totalReferences;
    std::cerr << "\nOctree Summary:\n"
              << "\tLargest leaf node has " << m_largestLeaf << " object IDs\n"
              << "\tAverage number of object IDs per leaf node is " << average << "\n"
              << "\tNumber of interior nodes is " << m_interiorCount << "\n"
              << "\tNumber of leaf nodes is " << m_leafCount << "\n"
              << "\tTree height is " << m_treeHeight << "\n"
              << "\tOctree node is " << sizeof(OctreeNode) << " bytes in size\n"
              << "\tEstimated memory words in use is " << words << "\n"
              << std::endl;
}

} // namespace zev
