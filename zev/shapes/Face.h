#pragma once
// The base of the 2-D facets (Tri, Quad, Pentagon, Hexagon, Polygon). A face is its own only
// face, has as many edges as vertices, and caches its normal and area between queries.
//
// Threads: the normal and area caches are written by const queries, so a face must not be
// queried from two threads at once until both are filled. A unit normal asked of a face that
// cached its raw normal rewrites the cache; once the unit normal and the area are cached,
// queries only read.

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
    void clearDataStores() override
    {
        resetNormalCalcFlag();
        resetAreaCalcFlag();
    }

    void resetNormalCalcFlag() { m_normalState = 0; }
    void resetAreaCalcFlag() { m_area = -1.0f; }

    // Workers of the face classes, over the face's corner index array of p_n entries; the
    // classes forward their virtual queries here with their own array.
    using Shape::constructWeights;
    using Shape::getArea;
    using Shape::getNormal;
    using Shape::intersectEdge;
    using Shape::intersectsWithCircle;
    using Shape::intersectsWithLine;
    using Shape::isInside;
    using Shape::projectPointToFace;
    using Shape::projectVectorToFace;

    // The area of the fan from corner 0 and its area vector, cached while positive. A null
    // array gives 0 and leaves p_areaVector as it was.
    float getArea(const int* p_indices, int p_n, const TripletZEVVector& p_vertices,
                  Triplet& p_areaVector) const;
    // The normal (twice the area vector, or its unit vector when p_normalise), cached with its
    // state; false when the face has none (a degenerate face stays so until reset).
    bool getNormal(const int* p_indices, int p_n, const TripletZEVVector& p_vertices, Triplet& p_normal,
                   bool p_normalise) const;
    // Whether the point lies within the face's edges, judged in 3-D on the edge cross
    // products: points slightly off the plane are not rejected, points far off it are.
    bool isInside(const Triplet& p_point, const int* p_indices, int p_n,
                  const TripletZEVVector& p_vertices) const;
    // Projects the point onto the face's plane and reports whether the projection is inside;
    // the projection and the unsigned distance are written either way.
    bool projectPointToFace(const Triplet& p_point, const int* p_indices, int p_n,
                            const TripletZEVVector& p_vertices, Triplet& p_projected,
                            float& p_distance) const;
    // Removes the vector's component along the unit normal; false when there is no normal.
    bool projectVectorToFace(const Triplet& p_vector, const int* p_indices, int p_n,
                             const TripletZEVVector& p_vertices, Triplet& p_projected) const;
    // Where a ray from p_start along p_direction, moving in the face, leaves it: the exit
    // edge, point and distance, and with p_useFraction the distance as a fraction of the
    // direction's length. p_inPlane first removes the direction's normal component.
    bool intersectEdge(const Triplet& p_start, const Triplet& p_direction, const TripletZEVVector& p_vertices,
                       Edge& p_exitEdge, Triplet& p_exitPoint, float& p_t, float& p_fraction, bool p_inPlane,
                       bool p_useFraction, const Edge* p_skipEdge, const int* p_indices, int p_n) const;
    // Inverse-distance weights of the corners for the point (x, y, z), summing to 1; a point
    // on a corner gives that corner practically all the weight. Always true for a face with
    // corners; false, with no weights, for one without.
    bool constructWeights(float p_x, float p_y, float p_z, const int* p_indices, int p_n,
                          const TripletZEVVector& p_vertices, std::vector<float>& p_weights) const;

    // Line (ahead of the point only when p_nearerOnly) and circle tests of the fan of triangles
    // (0, k, k + 1) over the corners, up to the first hit.
    bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction, const int* p_indices, int p_n,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const;
    bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                              const int* p_indices, int p_n, const TripletZEVVector& p_vertices,
                              Triplet& p_hit) const;

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
    mutable int m_normalState = 0; // 0 not computed, 1 none, 3 raw, 7 unit length
    mutable float m_area = -1.0f;  // -1 not computed; used only while positive
    mutable Triplet m_areaVector;  // valid together with m_area
};

} // namespace zev
