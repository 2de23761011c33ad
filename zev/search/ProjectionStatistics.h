#pragma once
// Counts of how the points of one projection onto a surface were placed: on a surface vertex
// (equivalent), inside a face, on an edge near enough to count as a hit or too far from it,
// or on the nearest vertex as the last resort. Geometry knows it as
// Geometry::ProjectionStatistics.

#include "zev/ZEVExport.h"

namespace zev {

class ZEV_EXPORT ProjectionStatistics {
public:
    void reset() { *this = ProjectionStatistics(); }

    void incEquivalent() { ++m_equivalent; }
    void incFace() { ++m_face; }
    void incEdge() { ++m_edge; }
    void incFarEdge() { ++m_farEdge; }
    void incNode() { ++m_node; }

    int getEquivalentCount() const { return m_equivalent; }
    int getFaceCount() const { return m_face; }
    int getEdgeCount() const { return m_edge; }
    int getFarEdgeCount() const { return m_farEdge; }
    int getNodeCount() const { return m_node; }

    bool getUsingOctreeMappingAlgorithm() const { return m_usingOctreeMapping; }
    void setUsingOctreeMappingAlgorithm(bool p_value) { m_usingOctreeMapping = p_value; }
    float getOctreeMappingTolerance() const { return m_octreeMappingTolerance; }
    void setOctreeMappingTolerance(float p_value) { m_octreeMappingTolerance = p_value; }

    // The share of points placed on a vertex, a face or a near edge, in whole per cent
    // (rounded half up). With nothing counted nothing was placed: 0.
    int getSuccessPercentage() const;

private:
    int m_equivalent = 0;
    int m_face = 0;
    int m_edge = 0;
    int m_farEdge = 0;
    int m_node = 0;
    bool m_usingOctreeMapping = false;
    float m_octreeMappingTolerance = -20.0f;
};

} // namespace zev
