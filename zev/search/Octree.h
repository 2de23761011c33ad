#pragma once
// The spatial index over one element set: a tree of boxes whose leaves list the elements
// they overlap. A geometry builds one per element set on demand and owns it. Queries by
// point, plane and cylinder collect the leaves they hit; the caller reads the leaves' id
// lists with GetNextIntersection and tests the elements itself.
//
// The tree is built breadth-first, one level per pass, and stops on a leaf-size limit, a
// depth limit and a budget of machine words (14 per node, one per element reference). Each
// split walks the parent's ids from last to first, so the order of ids in a leaf alternates
// between descending and ascending with depth; point location relies on that order.
//
// Nodes live in one flat pool and the leaves' ids in one packed array. For point queries the
// ids are also kept in small blocks with coarsely coded boxes, so that a leaf can be thinned
// to the elements whose boxes may hold the point (GetCandidatesAtPoint).
//
// Threads: a built tree is read-only to every query that takes an OctreeQuery (the caller's
// result list and cursor) and to GetLeafAtPoint, so any number of threads may run those on
// one tree at once. The forms without an OctreeQuery keep one result list in the tree for
// single-threaded callers: they must not run while any other query runs on the same tree.
// Construct, Destroy and DisplayStatistics change the tree and need it to themselves.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <cstddef>
#include <vector>

namespace zev {

class Geometry;
class ShapeSet;

// One node of the tree. A leaf's ids start at m_payload in the packed id array. An interior
// node's children lie side by side in the pool from m_payload, highest child number first;
// bit k of m_children says whether child k exists (an octant that received no element has
// none).
struct OctreeNode {
    float m_box[6]; // minimum x, y, z, maximum x, y, z; inclusive in every query
    int m_parent;   // -1 for the root
    int m_count;    // ids in a leaf
    int m_payload;
    bool m_leaf;
    unsigned char m_children;
};

// The result of one octree query: the leaves it hit, the read position in them, and the
// buffer of a thinned point query. A caller that keeps one across queries allocates nothing
// once its buffers have grown; threads querying one tree at once each use their own.
class ZEV_EXPORT OctreeQuery {
public:
    OctreeQuery() { m_leaves.reserve(16); }

private:
    friend class Octree;
    std::vector<int> m_leaves; // pool indices of the leaves hit
    std::size_t m_cursor = 0;
    std::vector<int> m_candidates;
};

class ZEV_EXPORT Octree {
public:
    static constexpr int kDefaultMaxLeafSize = 256;
    static constexpr int kMaxDepth = 15;
    static constexpr int kWordsPerNode = 14;

    Octree();
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;
    virtual ~Octree();

    // (Re)builds the tree over every shape of p_set.
    void Construct(const TripletZEVVector& p_vertices, const ShapeSet& p_set);
    void Construct(const Geometry& p_geometry, const ShapeSet& p_set);
    // Frees the tree; the settings stay.
    void Destroy();

    // Each query replaces the intersection list of p_query and rewinds it.
    // The leaf holding the point (inclusive bounds); at most one.
    void IntersectWithPoint(const Triplet& p_point, OctreeQuery& p_query) const;
    // Every leaf whose box the plane n.x = d crosses.
    void IntersectWithPlane(const Triplet& p_normal, float p_d, OctreeQuery& p_query) const;
    // Every leaf whose box the surface of the infinite cylinder of p_radius around the line
    // through p_p1 and p_p2 crosses.
    void IntersectWithCylinder(Triplet p_p1, Triplet p_p2, float p_radius, OctreeQuery& p_query) const;

    // The ids of the next leaf of p_query's intersection list and their number; null and 0
    // once the list is exhausted. Valid until the tree is rebuilt or destroyed.
    const int* GetNextIntersection(int& p_count, OctreeQuery& p_query) const;

    // The point query without a result list: the ids of the leaf holding p_point and their
    // number, or null and 0.
    const int* GetLeafAtPoint(const Triplet& p_point, int& p_count) const;

    // A point query that also thins the leaf out: the ids of the leaf holding p_point whose
    // boxes may hold it, in leaf order, judged on boxes coded in 8 bits per bound relative to
    // the leaf and rounded outwards, so every element whose box holds the point is kept (a
    // few others may be). Null and 0 when no leaf holds the point. The list lives in p_query
    // and is valid until its next query; the leaf is its intersection list, already read.
    const int* GetCandidatesAtPoint(const Triplet& p_point, int& p_count, OctreeQuery& p_query) const;

    // The same queries on the tree's own result list, for single-threaded callers: each
    // replaces the list the previous one left, whichever form it was.
    void IntersectWithPoint(const Triplet& p_point) const { IntersectWithPoint(p_point, m_lastQuery); }
    void IntersectWithPlane(const Triplet& p_normal, float p_d) const
    {
        IntersectWithPlane(p_normal, p_d, m_lastQuery);
    }
    void IntersectWithCylinder(Triplet p_p1, Triplet p_p2, float p_radius) const
    {
        IntersectWithCylinder(p_p1, p_p2, p_radius, m_lastQuery);
    }
    const int* GetNextIntersection(int& p_count) const { return GetNextIntersection(p_count, m_lastQuery); }
    const int* GetCandidatesAtPoint(const Triplet& p_point, int& p_count) const
    {
        return GetCandidatesAtPoint(p_point, p_count, m_lastQuery);
    }

    // Recounts the tree and writes the summary to standard error.
    void DisplayStatistics();

    // ---- inspection
    bool IsEmpty() const { return m_nodes.empty(); }
    int GetMaxLeafSize() const { return m_maxLeafSize; }
    int GetMaxWords() const { return m_maxWords; }
    int GetTreeHeight() const { return m_treeHeight; }
    int GetNodeCount() const { return m_nodeCount; }
    int GetLeafCount() const { return m_leafCount; }
    int GetInteriorCount() const { return m_interiorCount; }
    int GetTotalReferences() const { return m_totalReferences; }
    int GetLargestLeaf() const { return m_largestLeaf; }
    // Nodes of the pool; node 0 is the root.
    int GetNumPoolNodes() const { return static_cast<int>(m_nodes.size()); }
    const OctreeNode& GetNode(int p_node) const { return m_nodes[static_cast<std::size_t>(p_node)]; }
    // Child p_k (0 to 7) of an interior node, or -1.
    int GetChild(int p_node, int p_k) const;
    // The ids of a leaf (null for an interior node).
    const int* GetLeafIds(int p_node) const;

private:
    void ComputeBoundingBoxes(const TripletZEVVector& p_vertices, const ShapeSet& p_set);
    bool SplitLevel(int p_node, int p_depth, int p_target);
    bool SplitNode(int p_node);
    void GenerateSubOctantBoundingBoxes(const float* p_parent, const float* p_centre,
                                        float (*p_boxes)[6]) const;
    // The leaf holding the point, or -1.
    int FindLeaf(const Triplet& p_point) const;
    int DoPointIntersection(int p_node, const Triplet& p_point) const;
    void DoPlaneIntersection(int p_node, const Triplet& p_normal, float p_d,
                             std::vector<int>& p_leaves) const;
    void DoCylinderIntersection(int p_node, const Triplet& p_p1, const Triplet& p_axis, float p_length,
                                float p_radius, std::vector<int>& p_leaves) const;
    void GatherStatistics(int p_node);
    // Packs the leaves' id lists into one array once the tree is complete, with their coded
    // boxes.
    void OptimizeTree();
    void CodeLeafBoxes();
    void GridLeaves();

    std::vector<OctreeNode> m_nodes;
    // Id lists of the leaves while the tree grows; emptied by OptimizeTree.
    std::vector<std::vector<int>> m_buildIds;
    std::vector<int> m_ids; // packed leaf ids

    // The result list of the forms without an OctreeQuery; written by const queries, hence
    // those forms are for one thread at a time.
    mutable OctreeQuery m_lastQuery;

    // Element boxes (six floats each: minimum x, y, z, maximum x, y, z), during the build.
    std::vector<float> m_boxes;
    // The leaves' ids in blocks of kBlock positions, with the elements' box bounds coded in
    // 8 bits against the leaf's box: kBlock minimum x codes, then minimum y, z and maximum x,
    // y, z codes, then the ids, so that a block that passes is read in one go. The union
    // box of block b is coded at m_blockCodes[8 * b]; m_firstBlock[node] is a leaf's first
    // block.
    static constexpr int kBlock = 16;
    struct CodedBlock {
        unsigned char m_codes[6 * kBlock];
        int m_ids[kBlock];
    };
    std::vector<CodedBlock> m_codes;
    std::vector<unsigned char> m_blockCodes;
    std::vector<int> m_firstBlock;
    // A grid over the root box naming, per cell, a leaf whose box covers the cell (-1 for
    // none). A point strictly inside a leaf's box has that leaf as its only answer, so a hit
    // confirmed by that test spares the descent.
    // Cells per axis: a power of two, about 8 cells per leaf, at most 64.
    int m_gridSize = 0;
    std::vector<int> m_grid;
    float m_gridScale[3] = {0.0f, 0.0f, 0.0f};
    // Per-id masks of the node being split; kept to spare an allocation per split.
    std::vector<unsigned char> m_masks;

    int m_maxLeafSize = 10000;
    int m_maxDepth = kMaxDepth;
    int m_maxWords = 100000;
    int m_largestLeaf = 0;
    int m_treeHeight = 0;
    int m_totalReferences = 0;
    int m_nodeCount = 0;
    int m_leafCount = 0;
    int m_interiorCount = 0;
};

} // namespace zev
