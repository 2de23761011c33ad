#pragma once
// A k-d tree over a fixed vertex array that answers "which vertices lie nearest to this
// point" with exactly the answer of a scan in vertex order: the N smallest distinct squared
// distances (computed in float), each with the lowest vertex index at that distance. Built
// once per surface, it replaces the scan over every vertex that projection would otherwise
// make for every point.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <map>
#include <utility>
#include <vector>

namespace zev {

class ZEV_EXPORT NearestVertices {
public:
    // (squared distance, vertex) in ascending distance.
    using Result = std::vector<std::pair<float, int>>;

    // Keeps a copy of the positions; the array may change afterwards.
    explicit NearestVertices(const TripletZEVVector& p_vertices);

    // The p_count nearest as described above. A point with a NaN coordinate has no nearest
    // vertex, and vertices with a NaN coordinate are never nearest.
    // p_hint, when given, names vertices that are probably near (the answer for a nearby
    // point): they are measured first so the search can skip more of the tree. The answer does
    // not depend on it.
    void find(const Triplet& p_point, int p_count, Result& p_out, const Result* p_hint = nullptr) const;

    // The squared distance as every nearest-vertex query computes it, in float.
    static float squaredDistance(const Triplet& p_a, const Triplet& p_b)
    {
        const float dx = p_a[0] - p_b[0];
        const float dy = p_a[1] - p_b[1];
        const float dz = p_a[2] - p_b[2];
        return dx * dx + dy * dy + dz * dz;
    }

    // The same answer by a scan in vertex order, filed as squared distance -> vertex.
    static void scan(const TripletZEVVector& p_vertices, const Triplet& p_point, int p_count,
                     std::map<double, int>& p_out);

private:
    struct Point {
        float x, y, z;
        int index;
    };
    // Position by vertex index, for the hints.
    std::vector<Triplet> m_byIndex;
    struct Node {
        float lo[3];
        float hi[3];
        // Leaves: points [begin, end). Interior nodes: children first and first + 1.
        int begin, end;
        int first;
    };

    void build();
    void scanAll(const Triplet& p_point, int p_count, Result& p_out) const;

    std::vector<Point> m_points;
    std::vector<Node> m_nodes;
};

} // namespace zev
