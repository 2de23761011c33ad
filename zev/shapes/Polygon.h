#pragma once
// A face with any number of corners, held in its own growable index array in order around
// the face.

#include "zev/shapes/Face.h"

#include <cassert>
#include <vector>

namespace zev {

class ZEV_EXPORT Polygon : public Face {
public:
    // The counts vary per polygon; the shape answers them from its own storage.
    static constexpr int m_numVerts = -1;
    static constexpr int m_numFaces = -1;
    static constexpr int m_numEdges = -1;
    static constexpr ShapeType m_shapeType = POLYGON;

    static int staticGetNumVertices() { return m_numVerts; }
    static int staticGetNumFaces() { return m_numFaces; }
    static int staticGetNumEdges() { return m_numEdges; }
    static ShapeType staticGetType() { return m_shapeType; }

    Polygon() = default;
    Polygon(const Polygon&) = default;
    Polygon& operator=(const Polygon&) = default;
    ~Polygon() override;

    // Slot p_i must be below the current vertex count.
    const int& operator[](int p_i) const final
    {
        assert(p_i >= 0 && p_i < m_vertexCount);
        return m_vertices[static_cast<std::size_t>(p_i)];
    }
    int& operator[](int p_i) final
    {
        assert(p_i >= 0 && p_i < m_vertexCount);
        return m_vertices[static_cast<std::size_t>(p_i)];
    }
    // Copies the first getNumVertices() entries; fewer entries throw and leave the polygon
    // unchanged. A polygon of no vertices accepts any list.
    void setVertices(const IntZEVVector& p_vertices) final;
    int getNumVertices() const final { return m_vertexCount; }
    ShapeType getType() const final { return m_shapeType; }
    // Resizes the index array to p_n entries, new entries 0.
    void setNumVertices(int p_n) final;
    // Stored for the caller; the edge count a polygon reports is its vertex count.
    void setNumEdges(int p_n) final { m_edgeCount = p_n; }

    // Measures over the face's own corners.
    float getArea(const TripletZEVVector& p_vertices, Triplet& p_areaVector) const override;
    bool getNormal(const TripletZEVVector& p_vertices, Triplet& p_normal, bool p_normalise) const override;
    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override;
    bool projectPointToFace(const Triplet& p_point, const TripletZEVVector& p_vertices, Triplet& p_projected,
                            float& p_distance) const override;
    bool projectVectorToFace(const Triplet& p_vector, const TripletZEVVector& p_vertices,
                             Triplet& p_projected) const override;
    bool intersectEdge(const Triplet& p_start, const Triplet& p_direction, const TripletZEVVector& p_vertices,
                       Edge& p_exitEdge, Triplet& p_exitPoint, float& p_t, float& p_fraction, bool p_inPlane,
                       bool p_useFraction, const Edge* p_skipEdge) const override;
    bool constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const override;
    using Shape::constructBilinearWeights;
    using Shape::constructWeights;
    // A polygon has no bilinear parametrisation: always false, and nothing is written.
    bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  float* p_weights) const;

    // Writes "Polygon: " and each vertex index followed by a blank.
    void print() const final;

    // The vertex-index array (getNumVertices() entries), for non-virtual access.
    const int* vertices() const { return m_vertices.data(); }

protected:
    // The area-weighted centroid of the polygon's corners.
    Triplet calcCentroidImp(const TripletZEVVector& p_vertices) const override;

private:
    int m_vertexCount = 0;
    int m_edgeCount = 0;
    std::vector<int> m_vertices;
};

} // namespace zev
