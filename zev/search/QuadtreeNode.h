#pragma once
// One point of a Quadtree with the box its subtree covers. The four children split the box
// at the node's point: quadrant 0 holds x >= the node's x and y >= its y, 1 x >= and y <,
// 2 x < and y <, 3 x < and y >=. Only x and y are compared; z follows y.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"

namespace zev {

class ZEV_EXPORT QuadtreeNode {
    friend class Quadtree;

public:
    // The root: its box is the extents of all points.
    QuadtreeNode(const Triplet& p_point, int p_index, const Triplet& p_lowerLeft,
                 const Triplet& p_upperRight);
    // A child in quadrant p_quadrant of p_parent, which keeps a pointer to it. A quadrant
    // outside 0 to 3 is reported on standard error and leaves a zero box.
    QuadtreeNode(QuadtreeNode* p_parent, int p_quadrant, const Triplet& p_point, int p_index);
    // Owns its children; the tree deletes its nodes without recursion, so a node alone deletes
    // none (see Quadtree::destroy).
    ~QuadtreeNode() = default;
    QuadtreeNode(const QuadtreeNode&) = delete;
    QuadtreeNode& operator=(const QuadtreeNode&) = delete;

    int getNodeIndex() const { return m_index; }
    const Triplet& getPoint() const { return m_point; }
    const Triplet& getLowerLeft() const { return m_lowerLeft; }
    const Triplet& getUpperRight() const { return m_upperRight; }
    bool isLeaf() const { return m_leaf; }
    const QuadtreeNode* getParent() const { return m_parent; }
    const QuadtreeNode* getChild(int p_quadrant) const { return m_children[p_quadrant]; }

    // "\tmin = x, y, z\n\tmax = x, y, z\n" on standard output.
    void printBoundingBox() const;

private:
    // The quadrant of p_point relative to this node's point.
    int getQuadrantID(const Triplet& p_point) const;

    Triplet m_lowerLeft;
    Triplet m_upperRight;
    Triplet m_point;
    bool m_leaf = true;
    QuadtreeNode* m_parent = nullptr; // not owned
    QuadtreeNode* m_children[4] = {nullptr, nullptr, nullptr, nullptr};
    int m_index;
};

} // namespace zev
