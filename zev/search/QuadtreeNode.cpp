#include "zev/search/QuadtreeNode.h"

#include <iostream>

namespace zev {

QuadtreeNode::QuadtreeNode(const Triplet& p_point, int p_index, const Triplet& p_lowerLeft,
                           const Triplet& p_upperRight)
    : m_lowerLeft(p_lowerLeft), m_upperRight(p_upperRight), m_point(p_point), m_index(p_index)
{
}

QuadtreeNode::QuadtreeNode(QuadtreeNode* p_parent, int p_quadrant, const Triplet& p_point, int p_index)
    : m_lowerLeft(0.0f, 0.0f, 0.0f), m_upperRight(0.0f, 0.0f, 0.0f), m_point(p_point), m_parent(p_parent),
      m_index(p_index)
{
    if (p_quadrant < 0 || p_quadrant > 3) {
        std::cerr << "QuadtreeNode::QuadtreeNode: No/wrong quadrant specified for a child node" << std::endl;
        return;
    }
    // Quadrants 0 and 1 take the upper half of x, 0 and 3 the upper half of y; z follows y.
    const Triplet& at = p_parent->m_point;
    const Triplet& lo = p_parent->m_lowerLeft;
    const Triplet& hi = p_parent->m_upperRight;
    const bool upperX = p_quadrant == 0 || p_quadrant == 1;
    const bool upperY = p_quadrant == 0 || p_quadrant == 3;
    m_lowerLeft = Triplet(upperX ? at[0] : lo[0], upperY ? at[1] : lo[1], upperY ? at[2] : lo[2]);
    m_upperRight = Triplet(upperX ? hi[0] : at[0], upperY ? hi[1] : at[1], upperY ? hi[2] : at[2]);
    p_parent->m_leaf = false;
    p_parent->m_children[p_quadrant] = this;
}

void QuadtreeNode::printBoundingBox() const
{
    std::cout << "\tmin = " << m_lowerLeft[0] << ", " << m_lowerLeft[1] << ", " << m_lowerLeft[2]
              << "\n\tmax = " << m_upperRight[0] << ", " << m_upperRight[1] << ", " << m_upperRight[2]
              << "\n";
}

int QuadtreeNode::getQuadrantID(const Triplet& p_point) const
{
    if (p_point[0] >= m_point[0])
        return p_point[1] >= m_point[1] ? 0 : 1;
    return p_point[1] < m_point[1] ? 2 : 3;
}

} // namespace zev
