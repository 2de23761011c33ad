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
    const Triplet& at = p_parent->m_point;
    const Triplet& lo = p_parent->m_lowerLeft;
    const Triplet& hi = p_parent->m_upperRight;
    switch (p_quadrant) {
    case 0:
        m_lowerLeft = at;
        m_upperRight = hi;
        break;
    case 1:
        m_lowerLeft = Triplet(at[0], lo[1], lo[2]);
        m_upperRight = Triplet(hi[0], at[1], at[2]);
        break;
    case 2:
        m_lowerLeft = lo;
        m_upperRight = at;
        break;
    case 3:
        m_lowerLeft = Triplet(lo[0], at[1], at[2]);
        m_upperRight = Triplet(at[0], hi[1], hi[2]);
        break;
    default:
        std::cerr << "QuadtreeNode::QuadtreeNode: No/wrong quadrant specified for a child node" << std::endl;
        return;
    }
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
