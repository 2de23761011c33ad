#pragma once
// A triangle with corner vertices 0, 1, 2.

#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/shapes/Face.h"

#include <cassert>

namespace zev {

class ZEV_EXPORT Tri : public Face {
public:
    static constexpr int m_numVerts = 3;
    static constexpr int m_numFaces = 1;
    static constexpr int m_numEdges = 3;
    static constexpr ShapeType m_shapeType = TRI;

    static int staticGetNumVertices() { return m_numVerts; }
    static int staticGetNumFaces() { return m_numFaces; }
    static int staticGetNumEdges() { return m_numEdges; }
    static ShapeType staticGetType() { return m_shapeType; }

    Tri() = default;
    Tri(const Tri&) = default;
    Tri& operator=(const Tri&) = default;
    ~Tri() override;

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
    // Copies the first 3 entries; fewer entries throw and leave the shape unchanged.
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
    // Weights from the areas of the three sub-triangles the point makes with the edges,
    // written into p_weights[0..2] (the vector grows to 3 entries if it is shorter). False for
    // a degenerate triangle, with the weights untouched, and when a weight leaves [0, 1]. The
    // ZEV_USE_IMPROVED_WEIGHTS switch accepts triangles of any non-zero area.
    bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const override;
    using Shape::constructBilinearWeights;

    // The process-wide ZEV_USE_IMPROVED_WEIGHTS switch, read on first use.
    static const BoolFromEnvironment& useImprovedWeights();

    // Writes "Tri: " and each vertex index followed by a blank.
    void print() const final;

    // (P1 - P0) x (P2 - P0): twice the area vector, not normalised.
    virtual Triplet normalVector(const TripletZEVVector& p_vertices);
    using Face::normalVector;

    // The vertex-index array, for non-virtual access in hot loops.
    const int* vertices() const { return m_vertices; }

    // Line (ahead of the point only when p_nearerOnly) and circle tests of the triangle itself.
    bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const override;
    bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                              const TripletZEVVector& p_vertices, Triplet& p_hit) const override;

private:
    int m_vertices[m_numVerts] = {};
};

static_assert(sizeof(Tri) == shapeFootprint(faceCacheFootprint + Tri::m_numVerts * sizeof(int)),
              "a Tri holds only its table pointer, proxy pointer, cached measures and vertex indices");

} // namespace zev
