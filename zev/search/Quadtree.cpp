#include "zev/search/Quadtree.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/QuadtreeNode.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iostream>

namespace zev {

namespace {

// A search visits each node at most once, so only a tree of more nodes than this can reach
// it; it is kept as the guard against a tree corrupted into a cycle.
constexpr long long kSearchLimit = 100000000;

bool planarNaN(const Triplet& p_point)
{
    return std::isnan(p_point[0]) || std::isnan(p_point[1]);
}

double squared(double p_v)
{
    return p_v * p_v;
}

// Planar squared distance from p to the box of p_node, in double.
double boxDistance(const QuadtreeNode& p_node, double p_x, double p_y)
{
    const double lx = p_node.getLowerLeft()[0], ly = p_node.getLowerLeft()[1];
    const double hx = p_node.getUpperRight()[0], hy = p_node.getUpperRight()[1];
    const double gx = p_x < lx ? lx - p_x : (p_x > hx ? p_x - hx : 0.0);
    const double gy = p_y < ly ? ly - p_y : (p_y > hy ? p_y - hy : 0.0);
    return gx * gx + gy * gy;
}

} // namespace

Quadtree::~Quadtree()
{
    destroy();
}

void Quadtree::destroy()
{
    // Iterative, so a degenerate deep tree cannot exhaust the stack.
    std::vector<QuadtreeNode*> pending;
    if (m_root)
        pending.push_back(m_root);
    while (!pending.empty()) {
        QuadtreeNode* node = pending.back();
        pending.pop_back();
        for (QuadtreeNode* child : node->m_children)
            if (child)
                pending.push_back(child);
        delete node;
    }
    m_root = nullptr;
    m_height = 0;
    m_leaves = 0;
}

void Quadtree::construct(const ZEVVector<Triplet>& p_points)
{
    construct(p_points.data(), p_points.size());
}

void Quadtree::construct(const TripletZEVVector& p_points)
{
    construct(p_points.empty() ? nullptr : &p_points[0], p_points.size());
}

void Quadtree::construct(const Triplet* p_points, std::size_t p_count)
{
    destroy();
    // FLT_MAX marks an extent not yet set.
    m_min = Triplet(FLT_MAX, FLT_MAX, FLT_MAX);
    m_max = m_min;
    for (std::size_t i = 0; i < p_count; ++i) {
        if (planarNaN(p_points[i]))
            continue;
        for (int a = 0; a < 3; ++a) {
            const float c = p_points[i][a];
            if (m_min[a] == FLT_MAX || m_min[a] > c)
                m_min[a] = c;
            if (m_max[a] == FLT_MAX || m_max[a] < c)
                m_max[a] = c;
        }
    }
    if (p_count == 0)
        return;
    const std::size_t middle = (p_count - 1) / 2;
    for (std::size_t i = middle + 1; i-- > 0;)
        insertNode(p_points[i], static_cast<int>(i));
    for (std::size_t i = middle + 1; i < p_count; ++i)
        insertNode(p_points[i], static_cast<int>(i));
}

bool Quadtree::insertNode(const Triplet& p_point, int p_index)
{
    // A point with no planar position could never be the nearest one.
    if (planarNaN(p_point))
        return false;
    if (m_root == nullptr) {
        m_root = new QuadtreeNode(p_point, p_index, m_min, m_max);
        return true;
    }
    QuadtreeNode* node = m_root;
    int depth = 0;
    for (;;) {
        if (node->m_point[0] == p_point[0] && node->m_point[1] == p_point[1])
            return false;
        const int quadrant = node->getQuadrantID(p_point);
        ++depth;
        if (node->m_children[quadrant] == nullptr) {
            new QuadtreeNode(node, quadrant, p_point, p_index); // the parent takes the child
            m_height = std::max(m_height, depth);
            return true;
        }
        node = node->m_children[quadrant];
    }
}

int Quadtree::findNearestPoint(const Triplet& p_point) const
{
    if (m_root == nullptr || planarNaN(p_point))
        return -1;
    const double x = p_point[0];
    const double y = p_point[1];
    double best = HUGE_VAL;
    int found = -1;
    long long visits = 0;
    std::vector<const QuadtreeNode*> pending{m_root};
    while (!pending.empty()) {
        const QuadtreeNode* node = pending.back();
        pending.pop_back();
        // Every point below a node lies in its box; equal bounds are still searched for the
        // lower index of an equally near point.
        if (boxDistance(*node, x, y) > best)
            continue;
        if (++visits > kSearchLimit) {
            ErrorReporter::instance().reportError(data::error(
                "Quadtree", "findNearestPoint",
                UserMsg("Quadtree search failed. Please use environmental variable\n%1 to turn off Quadtree "
                        "search and restart the application.")
                    .arg("ZEV_NO_QUADTREE"),
                eWarning));
            return -1;
        }
        const double d = squared(x - node->m_point[0]) + squared(y - node->m_point[1]);
        if (d < best || (d == best && node->m_index < found)) {
            best = d;
            found = node->m_index;
        }
        // The query's own quadrant last, so that it is searched first.
        const int own = node->getQuadrantID(p_point);
        for (int q = 0; q < 4; ++q)
            if (q != own && node->m_children[q])
                pending.push_back(node->m_children[q]);
        if (node->m_children[own])
            pending.push_back(node->m_children[own]);
    }
    return found;
}

void Quadtree::computeBoundingBoxes(const Geometry& p_geometry, const ShapeSet& p_set)
{
    m_boxes.clear();
    m_boxes.reserve(2 * p_set.size());
    for (std::size_t i = 0; i < p_set.size(); ++i) {
        Triplet lo, hi;
        p_set[i].calcExtents(p_geometry.getVertices(), lo, hi);
        m_boxes.push_back(lo);
        m_boxes.push_back(hi);
    }
}

int Quadtree::gatherStatistics() const
{
    int leaves = 0;
    std::vector<const QuadtreeNode*> pending;
    if (m_root)
        pending.push_back(m_root);
    while (!pending.empty()) {
        const QuadtreeNode* node = pending.back();
        pending.pop_back();
        if (node->m_leaf)
            ++leaves;
        for (const QuadtreeNode* child : node->m_children)
            if (child)
                pending.push_back(child);
    }
    return leaves;
}

void Quadtree::displayStatistics() const
{
    m_leaves = gatherStatistics();
    std::cerr << "\nQuadtree Summary:\n"
              << "\tNumber of leaf nodes is " << m_leaves << "\n"
              << "\tTree height is " << m_height << "\n"
              << "\tQuadtree node is " << sizeof(QuadtreeNode) << " bytes in size\n"
              << std::endl;
}

} // namespace zev
