#pragma once
// A quadrilateral with corner vertices 0 to 3 in order around it.

#include "zev/shapes/Face.h"

#include <cassert>

namespace zev {

class ZEV_EXPORT Quad : public Face {
public:
    static constexpr int m_numVerts = 4;
    static constexpr int m_numFaces = 1;
    static constexpr int m_numEdges = 4;
    static constexpr ShapeType m_shapeType = QUAD;

    static int staticGetNumVertices() { return m_numVerts; }
    static int staticGetNumFaces() { return m_numFaces; }
    static int staticGetNumEdges() { return m_numEdges; }
    static ShapeType staticGetType() { return m_shapeType; }

    Quad() = default;
    Quad(const Quad&) = default;
    Quad& operator=(const Quad&) = default;
    ~Quad() override;

    const int& operator[](int p_i) const final
    {
        assert(p_i >= 0 && p_i < m_numVerts);
        return m_vertices[p_i];
    }
    int& operator[](int p_i) final
    {
        assert(p_i >= 0 && p_i < m_numVerts);
        return m_vertices[p_i];
    }
    // Copies the first 4 entries; fewer entries throw and leave the shape unchanged.
    void setVertices(const IntZEVVector& p_vertices) final;
    int getNumVertices() const final { return m_numVerts; }
    ShapeType getType() const final { return m_shapeType; }

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
    using Shape::constructWeights;
    // Weights from inverting the face's bilinear map in its own plane frame, written into
    // p_weights[0..3] (the vector grows to 4 entries if it is shorter). False when a weight
    // leaves [0, 1], that is when the point lies outside the quadrilateral.
    bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const override;
    using Shape::constructBilinearWeights;

    // Writes "Quad: " and each vertex index followed by a blank.
    void print() const final;

    // The vertex-index array, for non-virtual access in hot loops.
    const int* vertices() const { return m_vertices; }

    // Line (ahead of the point only when p_nearerOnly) and circle tests of the triangles (0, 1, 2) then (0,
    // 2, 3), up to the first hit.
    bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const override;
    bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                              const TripletZEVVector& p_vertices, Triplet& p_hit) const override;

private:
    int m_vertices[m_numVerts] = {};
};

static_assert(sizeof(Quad) == shapeFootprint(faceCacheFootprint + Quad::m_numVerts * sizeof(int)),
              "a Quad holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
