#include "zev/search/Octree.h"

#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeSetBase.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>

namespace zev {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// n x f truncated into the int range (NaN gives 0).
int clampWords(double p_words)
{
    if (!(p_words == p_words))
        return 0;
    if (p_words >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (p_words <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(p_words);
}

} // namespace

Octree::Octree() = default;

Octree::~Octree() = default;

void Octree::Construct(const Geometry& p_geometry, const ShapeSet& p_set)
{
    Construct(p_geometry.getVertices(), p_set);
}

void Octree::Destroy()
{
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    m_buildIds.clear();
    m_buildIds.shrink_to_fit();
    m_ids.clear();
    m_ids.shrink_to_fit();
    m_boxes.clear();
    m_boxes.shrink_to_fit();
    m_codes.clear();
    m_codes.shrink_to_fit();
    m_blockCodes.clear();
    m_blockCodes.shrink_to_fit();
    m_firstBlock.clear();
    m_grid.clear();
    m_grid.shrink_to_fit();
    m_lastQuery.m_leaves.clear();
    m_lastQuery.m_cursor = 0;
}

void Octree::Construct(const TripletZEVVector& p_vertices, const ShapeSet& p_set)
{
    Destroy();
    // Height counts the passes of this build only.
    m_treeHeight = 0;
    m_leafCount = 0;
    m_interiorCount = 0;
    m_totalReferences = 0;
    m_nodeCount = 1;

    Triplet lo;
    Triplet hi;
    if (!p_set.getExtents(lo, hi))
        p_set.calcExtents(p_vertices, lo, hi);
    const int n = static_cast<int>(p_set.size());

    OctreeNode root;
    for (int c = 0; c < 3; ++c) {
        root.m_box[c] = lo[c] - 1e-20f;
        root.m_box[c + 3] = hi[c] + 1e-20f;
    }
    root.m_parent = -1;
    root.m_count = n;
    root.m_payload = 0;
    root.m_leaf = true;
    root.m_children = 0;
    m_nodes.push_back(root);
    // The root's empty list stands for the ids 0 to n - 1 until it is split.
    m_buildIds.emplace_back();
    m_totalReferences = n;

    ComputeBoundingBoxes(p_vertices, p_set);

    if (const char* leaf = std::getenv("KPL_OCTREE_MAX_LEAF_SIZE")) {
        m_maxLeafSize = std::atoi(leaf);
        std::cout << "\nCustom octree max leaf size set to " << m_maxLeafSize << std::endl;
    } else {
        m_maxLeafSize = kDefaultMaxLeafSize;
    }
    if (const char* words = std::getenv("KPL_OCTREE_WORDS_PER_ELEMENT")) {
        const float f = static_cast<float>(std::atof(words));
        m_maxWords = clampWords(static_cast<double>(static_cast<float>(n) * f));
        std::cout << "\nCustom max num of words/element size set to " << f << std::endl;
    } else {
        m_maxWords = clampWords(static_cast<double>(n) * 2.5);
    }

    ProgressTracker progress;
    progress.add("Recursive Run", 1.0);
    progress.start("Recursive Run", 0);
    double done = 0.0;
    double step = 0.5;
    for (int level = 1; level <= m_maxDepth; ++level) {
        done += step;
        step = (1.0 - done) * 0.5;
        progress.setProgress(done, false);
        bool split = false;
        if (level == 1) {
            split = SplitNode(0);
        } else if (!m_nodes[0].m_leaf) {
            for (int k = 0; k < 8; ++k)
                split = SplitLevel(GetChild(0, k), 2, level) || split;
        }
        ++m_treeHeight;
        if (!split)
            break;
    }
    progress.setProgress(1.0, true);
    m_masks.clear();
    m_masks.shrink_to_fit();
    OptimizeTree();
}

namespace {

// The box of one shape into p_box; an empty box (minimum above maximum) for a shape without
// vertices or with one outside the array. A shape's own minimum and maximum: each further
// vertex lowers the minimum if below it, else raises the maximum if above it. p_vertex(k)
// is the shape's vertex in slot k.
template <class Access>
void shapeBox(Access p_vertex, int p_numVertices, const TripletZEVVector& p_vertices, float* p_box)
{
    const std::size_t size = p_vertices.size();
    for (int k = 0; k < p_numVertices; ++k) {
        const int v = p_vertex(k);
        if (v < 0 || static_cast<std::size_t>(v) >= size) {
            p_numVertices = 0;
            break;
        }
    }
    if (p_numVertices <= 0) {
        // A shape without usable vertices has no box: it lands in no child and no point
        // falls in it.
        p_box[0] = p_box[1] = p_box[2] = kInf;
        p_box[3] = p_box[4] = p_box[5] = -kInf;
        return;
    }
    const Triplet& first = p_vertices[static_cast<std::size_t>(p_vertex(0))];
    for (int c = 0; c < 3; ++c)
        p_box[c] = p_box[c + 3] = first[c];
    for (int k = 1; k < p_numVertices; ++k) {
        const Triplet& p = p_vertices[static_cast<std::size_t>(p_vertex(k))];
        for (int c = 0; c < 3; ++c) {
            if (p[c] < p_box[c])
                p_box[c] = p[c];
            else if (p[c] > p_box[c + 3])
                p_box[c + 3] = p[c];
        }
    }
}

template <class T> bool fixedBoxes(const ShapeSet& p_set, const TripletZEVVector& p_vertices, float* p_boxes)
{
    const auto* set = dynamic_cast<const ShapeSetBase<T>*>(&p_set);
    if (set == nullptr)
        return false;
    const T* shapes = set->data();
    const std::size_t n = set->size();
    for (std::size_t s = 0; s < n; ++s)
        // The exact class is known: its vertex access is a direct call.
        shapeBox([&](int p_k) { return shapes[s].T::operator[](p_k); }, T::staticGetNumVertices(), p_vertices,
                 p_boxes + 6 * s);
    return true;
}

} // namespace

void Octree::ComputeBoundingBoxes(const TripletZEVVector& p_vertices, const ShapeSet& p_set)
{
    const std::size_t n = p_set.size();
    m_boxes.assign(6 * n, 0.0f);
    float* boxes = m_boxes.data();
    if (fixedBoxes<Tet>(p_set, p_vertices, boxes) || fixedBoxes<Hex>(p_set, p_vertices, boxes) ||
        fixedBoxes<Wedge>(p_set, p_vertices, boxes) || fixedBoxes<Pyramid>(p_set, p_vertices, boxes))
        return;
    for (std::size_t s = 0; s < n; ++s) {
        const Shape& shape = p_set[s];
        shapeBox([&](int p_k) { return shape[p_k]; }, shape.getNumVertices(), p_vertices, boxes + 6 * s);
    }
}

int Octree::GetChild(int p_node, int p_k) const
{
    const OctreeNode& node = m_nodes[static_cast<std::size_t>(p_node)];
    if (node.m_leaf || ((node.m_children >> p_k) & 1u) == 0)
        return -1;
    // Children are stored from the highest number down.
    int before = 0;
    for (int k = 7; k > p_k; --k)
        before += (node.m_children >> k) & 1;
    return node.m_payload + before;
}

const int* Octree::GetLeafIds(int p_node) const
{
    const OctreeNode& node = m_nodes[static_cast<std::size_t>(p_node)];
    if (!node.m_leaf)
        return nullptr;
    if (m_buildIds.empty())
        return m_ids.data() + node.m_payload;
    return m_buildIds[static_cast<std::size_t>(p_node)].data();
}

bool Octree::SplitLevel(int p_node, int p_depth, int p_target)
{
    if (p_node < 0)
        return false;
    if (m_nodes[static_cast<std::size_t>(p_node)].m_leaf)
        return p_depth == p_target && SplitNode(p_node);
    if (p_depth >= p_target)
        return false;
    bool split = false;
    for (int k = 0; k < 8; ++k)
        split = SplitLevel(GetChild(p_node, k), p_depth + 1, p_target) || split;
    return split;
}

void Octree::GenerateSubOctantBoundingBoxes(const float* p_parent, const float* p_centre,
                                            float (*p_boxes)[6]) const
{
    for (int k = 0; k < 8; ++k) {
        // Children 0 to 3 are the upper z half; in each half (low x, high y), (high x, high
        // y), (high x, low y), (low x, low y).
        const bool highX = k % 4 == 1 || k % 4 == 2;
        const bool highY = k % 4 == 0 || k % 4 == 1;
        const bool highZ = k < 4;
        const bool high[3] = {highX, highY, highZ};
        for (int c = 0; c < 3; ++c) {
            p_boxes[k][c] = high[c] ? p_centre[c] : p_parent[c];
            p_boxes[k][c + 3] = high[c] ? p_parent[c + 3] : p_centre[c];
        }
    }
}

bool Octree::SplitNode(int p_node)
{
    if (p_node < 0)
        return false;
    const OctreeNode parent = m_nodes[static_cast<std::size_t>(p_node)];
    const int count = parent.m_count;
    if (count <= m_maxLeafSize)
        return false;
    if (static_cast<long long>(m_nodeCount) * kWordsPerNode + m_totalReferences > m_maxWords)
        return false;
    m_nodeCount += 8;

    float centre[3];
    for (int c = 0; c < 3; ++c)
        centre[c] = static_cast<float>((static_cast<double>(parent.m_box[c]) + parent.m_box[c + 3]) / 2.0);
    float boxes[8][6];
    GenerateSubOctantBoundingBoxes(parent.m_box, centre, boxes);

    // The root's list is implicit (the id is the position) until its first split.
    std::vector<int> ids = std::move(m_buildIds[static_cast<std::size_t>(p_node)]);
    const bool implicit = p_node == 0 && ids.empty();
    auto idAt = [&](int p_pos) { return implicit ? p_pos : ids[static_cast<std::size_t>(p_pos)]; };

    m_masks.resize(static_cast<std::size_t>(count));
    bool decidedInZ = false;
    for (int pos = 0; pos < count; ++pos) {
        const float* b = &m_boxes[6 * static_cast<std::size_t>(idAt(pos))];
        unsigned int mask;
        if (b[0] > b[3] || b[1] > b[4] || b[2] > b[5]) {
            mask = 0;
        } else {
            mask = b[0] > centre[0] ? 0x66u : (centre[0] > b[3] ? 0x99u : 0xFFu);
            if (b[1] > centre[1])
                mask &= 0x33u;
            else if (centre[1] > b[4])
                mask &= 0xCCu;
            if (b[2] > centre[2]) {
                mask &= 0x0Fu;
                decidedInZ = true;
            } else if (centre[2] > b[5]) {
                mask &= 0xF0u;
                decidedInZ = true;
            }
        }
        m_masks[static_cast<std::size_t>(pos)] = static_cast<unsigned char>(mask);
    }
    if (!decidedInZ) {
        // Every element straddles the z mid-plane: split in x and y only.
        for (unsigned char& m : m_masks)
            m &= 0x0F;
        for (int k = 0; k < 4; ++k) {
            boxes[k][2] = parent.m_box[2];
            boxes[k][5] = parent.m_box[5];
        }
    }

    int counts[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int pos = 0; pos < count; ++pos) {
        const unsigned int m = m_masks[static_cast<std::size_t>(pos)];
        for (int k = 0; k < 8; ++k)
            counts[k] += static_cast<int>((m >> k) & 1u);
    }
    std::vector<int> lists[8];
    for (int k = 0; k < 8; ++k)
        lists[k].reserve(static_cast<std::size_t>(counts[k]));
    for (int pos = count - 1; pos >= 0; --pos) {
        const unsigned int m = m_masks[static_cast<std::size_t>(pos)];
        const int id = idAt(pos);
        for (int k = 0; k < 8; ++k)
            if ((m >> k) & 1u)
                lists[k].push_back(id);
    }

    m_totalReferences -= count;
    {
        OctreeNode& node = m_nodes[static_cast<std::size_t>(p_node)];
        node.m_leaf = false;
        node.m_count = 0;
        node.m_payload = static_cast<int>(m_nodes.size());
        node.m_children = 0;
    }
    for (int k = 7; k >= 0; --k) {
        if (counts[k] == 0) {
            --m_nodeCount;
            continue;
        }
        OctreeNode child;
        std::copy(boxes[k], boxes[k] + 6, child.m_box);
        child.m_parent = p_node;
        child.m_count = counts[k];
        child.m_payload = 0;
        child.m_leaf = true;
        child.m_children = 0;
        m_nodes[static_cast<std::size_t>(p_node)].m_children |= static_cast<unsigned char>(1u << k);
        m_nodes.push_back(child);
        m_buildIds.push_back(std::move(lists[k]));
        m_totalReferences += counts[k];
    }
    return true;
}

void Octree::OptimizeTree()
{
    // A root that never split lists its ids in descending order, as a split would.
    if (m_nodeCount == 1 && m_nodes[0].m_leaf) {
        std::vector<int>& ids = m_buildIds[0];
        ids.resize(static_cast<std::size_t>(m_nodes[0].m_count));
        for (int i = 0; i < m_nodes[0].m_count; ++i)
            ids[static_cast<std::size_t>(i)] = m_nodes[0].m_count - 1 - i;
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        if (m_nodes[i].m_leaf)
            total += m_buildIds[i].size();
    m_ids.clear();
    m_ids.reserve(total);
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        if (!m_nodes[i].m_leaf)
            continue;
        m_nodes[i].m_payload = static_cast<int>(m_ids.size());
        m_ids.insert(m_ids.end(), m_buildIds[i].begin(), m_buildIds[i].end());
    }
    m_buildIds.clear();
    m_buildIds.shrink_to_fit();
    CodeLeafBoxes();
    m_boxes.clear();
    m_boxes.shrink_to_fit();
    GridLeaves();
}

void Octree::GridLeaves()
{
    m_grid.clear();
    if (m_nodeCount <= 1)
        return;
    int leaves = 0;
    for (const OctreeNode& node : m_nodes)
        leaves += node.m_leaf ? 1 : 0;
    m_gridSize = 2;
    while (m_gridSize < 64 && m_gridSize * m_gridSize * m_gridSize < 8 * leaves)
        m_gridSize *= 2;
    const int cells = m_gridSize;
    const float* root = m_nodes[0].m_box;
    for (int c = 0; c < 3; ++c) {
        const float width = root[c + 3] - root[c];
        const float scale = static_cast<float>(cells) / width;
        // A flat or unbounded root has no usable grid.
        if (!(width > 0.0f) || !std::isfinite(scale) || !std::isfinite(width))
            return;
        m_gridScale[c] = scale;
    }
    m_grid.assign(static_cast<std::size_t>(cells) * cells * cells, -1);
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const OctreeNode& leaf = m_nodes[i];
        if (!leaf.m_leaf)
            continue;
        // The cells wholly inside the leaf's box (give or take rounding: a hit is confirmed
        // against the box itself).
        int first[3];
        int last[3];
        for (int c = 0; c < 3; ++c) {
            first[c] = std::max(0, static_cast<int>(std::ceil((leaf.m_box[c] - root[c]) * m_gridScale[c])));
            last[c] = std::min(cells,
                               static_cast<int>(std::floor((leaf.m_box[c + 3] - root[c]) * m_gridScale[c]))) -
                      1;
        }
        for (int z = first[2]; z <= last[2]; ++z)
            for (int y = first[1]; y <= last[1]; ++y)
                for (int x = first[0]; x <= last[0]; ++x)
                    m_grid[(static_cast<std::size_t>(z) * cells + static_cast<std::size_t>(y)) * cells +
                           static_cast<std::size_t>(x)] = static_cast<int>(i);
    }
}

} // namespace zev
