#pragma once
// An undirected mesh edge as an ordered pair of vertex indices, smaller index first, so that
// the two directions of one edge compare equal and can key an edge map.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <iosfwd>
#include <utility>
#include <vector>

namespace zev {

class ZEV_EXPORT Edge {
public:
    Edge() = default;
    Edge(int p_first, int p_second) : m_first(p_first), m_second(p_second) { check_order(); }
    Edge(const std::pair<int, int>& p_pair) : Edge(p_pair.first, p_pair.second) {}

    void set(int p_first, int p_second)
    {
        m_first = p_first;
        m_second = p_second;
        check_order();
    }

    int firstVertex() const { return m_first; }
    int secondVertex() const { return m_second; }

    bool operator<(const Edge& p_other) const
    {
        return m_first < p_other.m_first || (m_first == p_other.m_first && m_second < p_other.m_second);
    }
    bool operator==(const Edge& p_other) const
    {
        return m_first == p_other.m_first && m_second == p_other.m_second;
    }
    bool operator!=(const Edge& p_other) const { return !(*this == p_other); }

    // Both ends are real vertices and the edge is not collapsed to one vertex.
    bool isValid() const { return m_first >= 0 && m_second >= 0 && m_first != m_second; }
    bool sharesVertexWithEdge(const Edge& p_other) const
    {
        return m_first == p_other.m_first || m_first == p_other.m_second || m_second == p_other.m_first ||
               m_second == p_other.m_second;
    }

    // Distance between the two end positions; the undefined value when a coordinate of
    // either end is undefined.
    float length(const TripletZEVVector& p_vertices) const;

    // Linear weights of the two ends for a point: each end's weight is the distance from
    // the point to the other end over the edge length (0.5 each on a zero-length edge).
    // Always true.
    bool constructWeights(const Triplet& p_point, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const;

private:
    void check_order()
    {
        if (m_second < m_first)
            std::swap(m_first, m_second);
    }

    int m_first = -1;
    int m_second = -1;
};

// Writes "(first,second)".
ZEV_EXPORT std::ostream& operator<<(std::ostream& p_os, const Edge& p_edge);

} // namespace zev
