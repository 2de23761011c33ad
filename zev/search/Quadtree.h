#pragma once
// A planar point index: points inserted by their x and y (z is carried along), answering
// which inserted point lies nearest to a query in the plane. Points are inserted from the
// middle of the input outwards, so input sorted along a line still gives a shallow tree.
//
// Threads: findNearestPoint and the accessors only read the tree and may run from several
// threads at once; displayStatistics recounts the leaves into the tree and must run alone.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/ZEVVector.h"

#include <vector>

namespace zev {

class Geometry;
class QuadtreeNode;
class ShapeSet;

class ZEV_EXPORT Quadtree {
public:
    Quadtree() = default;
    ~Quadtree();
    Quadtree(const Quadtree&) = delete;
    Quadtree& operator=(const Quadtree&) = delete;

    // Replaces the tree by one over p_points; point i keeps index i. A point with the x and y
    // of one inserted before it is left out.
    void construct(const ZEVVector<Triplet>& p_points);
    void construct(const TripletZEVVector& p_points);

    // The index of the inserted point nearest to p_point in x and y (the lowest index among
    // equally near ones); -1 for an empty tree or a query with a NaN x or y.
    int findNearestPoint(const Triplet& p_point) const;

    // The minimum and maximum corner of each shape of p_set over p_geometry's vertices, two
    // Triplets per shape.
    void computeBoundingBoxes(const Geometry& p_geometry, const ShapeSet& p_set);
    const std::vector<Triplet>& getBoundingBoxes() const { return m_boxes; }

    // Writes the leaf count, the height and the node size to standard error.
    void displayStatistics() const;
    void destroy();

    const QuadtreeNode* getRoot() const { return m_root; }
    // Edges on the longest path from the root: 0 for a root alone.
    int getHeight() const { return m_height; }
    int getLeafCount() const { return m_leaves; }
    const Triplet& getMinimum() const { return m_min; }
    const Triplet& getMaximum() const { return m_max; }

private:
    void construct(const Triplet* p_points, std::size_t p_count);
    bool insertNode(const Triplet& p_point, int p_index);
    int gatherStatistics() const;

    QuadtreeNode* m_root = nullptr; // owned, with all its descendants
    std::vector<Triplet> m_boxes;
    int m_height = 0;
    mutable int m_leaves = 0;
    Triplet m_min;
    Triplet m_max;
};

} // namespace zev
