#pragma once
// The base of the 2-D facets (Tri, Quad, Pentagon, Hexagon, Polygon). A face is its own only
// face, has as many edges as vertices, and caches its normal and area between queries.

#include "zev/shapes/Shape.h"

namespace zev {

// Bytes of the cached measures every face carries after the table and proxy pointers.
constexpr std::size_t faceCacheFootprint = 2 * sizeof(Triplet) + sizeof(int) + sizeof(float);

class ZEV_EXPORT Face : public Shape {
public:
    ~Face() override;

    int getNumFaces() const override { return 1; }
    int getNumEdges() const override { return getNumVertices(); }
    // Faces have no element faces: both throw.
    const int* getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const override;
    const int* getIPsForFace(int p_face, int& p_n, const int** p_vertices) const override;
    // Faces hold no volume.
    float calcVertexVolumes(const TripletZEVVector& p_vertices,
                            FloatZEVVectorConcrete& p_vertexVolumes) const override;
    void clearDataStores() override;

    void resetNormalCalcFlag() { m_normalState = 0; }
    void resetAreaCalcFlag() { m_area = -1.0f; }

private:
    // Faces have no parametric solver: always throws.
    virtual void constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                              float& p_t, float& p_u) const;

protected:
    Face() = default;
    Face(const Face&) = default;
    Face& operator=(const Face&) = default;

    // Measures cached by const queries; reset when vertex positions change.
    mutable Triplet m_normal;      // valid when m_normalState is 3 or 7
    mutable int m_normalState = 0; // 0 not computed
    mutable float m_area = -1.0f;  // -1 not computed
    mutable Triplet m_areaVector;  // valid together with m_area
};

} // namespace zev
