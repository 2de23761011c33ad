#pragma once
// The behaviour the fixed-size shape classes share: a vertex-index array of N entries held
// by value, the class constants and their static accessors, indexing, copying vertices in,
// printing, and for the faces the measures over the own corners, for the elements the
// lookups in the class's topology tables. Each shape class derives from one of these with
// its own numbers and keeps its own tables.

#include "zev/shapes/Element.h"
#include "zev/shapes/Face.h"
#include "zev/shapes/ShapeType.h"

#include <cassert>
#include <string>

namespace zev {

template <class Base, int N, int F, int E, ShapeType Type> class ZEV_EXPORT FixedShape : public Base {
public:
    static constexpr int m_numVerts = N;
    static constexpr int m_numFaces = F;
    static constexpr int m_numEdges = E;
    static constexpr ShapeType m_shapeType = Type;

    static int staticGetNumVertices() { return m_numVerts; }
    static int staticGetNumFaces() { return m_numFaces; }
    static int staticGetNumEdges() { return m_numEdges; }
    static ShapeType staticGetType() { return m_shapeType; }

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
    // Copies the first N entries; fewer entries throw and leave the shape unchanged.
    void setVertices(const IntZEVVector& p_vertices) final
    {
        Shape::setVerticesChecked(m_vertices, m_numVerts, p_vertices, toString(Type));
    }
    int getNumVertices() const final { return m_numVerts; }
    ShapeType getType() const final { return m_shapeType; }

    // Writes the class name, ": " and each vertex index followed by a blank.
    void print() const final
    {
        Shape::printVertices((std::string(toString(Type)) + ": ").c_str(), m_vertices, N);
    }

    // The vertex-index array, for non-virtual access in hot loops.
    const int* vertices() const { return m_vertices; }

protected:
    int m_vertices[N] = {};
};

// A polygon face of N corners.
template <int N, ShapeType Type> class ZEV_EXPORT FixedFace : public FixedShape<Face, N, 1, N, Type> {
public:
    // Measures over the face's own corners.
    float getArea(const TripletZEVVector& p_vertices, Triplet& p_areaVector) const override
    {
        return Face::getArea(this->m_vertices, N, p_vertices, p_areaVector);
    }
    bool getNormal(const TripletZEVVector& p_vertices, Triplet& p_normal, bool p_normalise) const override
    {
        return Face::getNormal(this->m_vertices, N, p_vertices, p_normal, p_normalise);
    }
    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override
    {
        return Face::isInside(p_point, this->m_vertices, N, p_vertices);
    }
    bool projectPointToFace(const Triplet& p_point, const TripletZEVVector& p_vertices, Triplet& p_projected,
                            float& p_distance) const override
    {
        return Face::projectPointToFace(p_point, this->m_vertices, N, p_vertices, p_projected, p_distance);
    }
    bool projectVectorToFace(const Triplet& p_vector, const TripletZEVVector& p_vertices,
                             Triplet& p_projected) const override
    {
        return Face::projectVectorToFace(p_vector, this->m_vertices, N, p_vertices, p_projected);
    }
    bool intersectEdge(const Triplet& p_start, const Triplet& p_direction, const TripletZEVVector& p_vertices,
                       Edge& p_exitEdge, Triplet& p_exitPoint, float& p_t, float& p_fraction, bool p_inPlane,
                       bool p_useFraction, const Edge* p_skipEdge) const override
    {
        return Face::intersectEdge(p_start, p_direction, p_vertices, p_exitEdge, p_exitPoint, p_t, p_fraction,
                                   p_inPlane, p_useFraction, p_skipEdge, this->m_vertices, N);
    }
    bool constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const override
    {
        return Face::constructWeights(p_x, p_y, p_z, this->m_vertices, N, p_vertices, p_weights);
    }
    using Shape::constructWeights;

    // Triangles and quadrilaterals take part in the line and circle searches over a surface,
    // as the fan of triangles (0, 1, 2), then (0, 2, 3); larger faces find no hit.
    bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const override
    {
        return N <= 4 && Face::intersectsWithLine(p_point, p_direction, this->m_vertices, N, p_vertices, p_t,
                                                  p_nearerOnly);
    }
    bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                              const TripletZEVVector& p_vertices, Triplet& p_hit) const override
    {
        return N <= 4 &&
               Face::intersectsWithCircle(p_centre, p_axis, p_radius, this->m_vertices, N, p_vertices, p_hit);
    }
};

// A volume element of N vertices, F faces and E edges whose faces have at most MaxCorners
// corners and whose vertices meet at most MaxValence edges. It holds the class's topology and
// dual-region tables, whose data each class defines in its own source (ElementTables.h
// declares them), and answers the lookups in them and in Derived's marching tables
// m_tableIndex, m_marchingTable and m_marchingListSize.
template <class Derived, int N, int F, int E, ShapeType Type, int MaxCorners, int MaxValence>
class ZEV_EXPORT FixedElement : public FixedShape<Element, N, F, E, Type> {
public:
    // Local vertices of each face in area and normal order, the row lengths, the same
    // vertices in parametric order, and the two local vertices of each edge. Columns past
    // a row's length hold 0.
    static constexpr int m_maxFaceCorners = MaxCorners;
    static const int m_face2vert[F][MaxCorners];
    static const int m_face2vertSize[F];
    static const int m_face2IPs[F][MaxCorners];
    static const int m_edgeConnectivity[E][2];

    // Dual regions around the vertices: the region points of each vertex's region, the
    // four points of each region face, and the region faces bounding each vertex's region.
    // A vertex meeting v edges has a region of 2v + 2 points bounded by 2v region faces; each
    // edge gives four region faces, two on the boundary and its inner face once per side.
    static constexpr int m_maxRegionPoints = 2 * MaxValence + 2;
    static constexpr int m_maxVertexRegionFaces = 2 * MaxValence;
    static constexpr int m_numRegionFaces = 4 * E;
    static const int m_regionVertices[N][m_maxRegionPoints];
    static const int m_regionVerticesSize[N];
    static const int m_regionFaces[m_numRegionFaces][4];
    static const int m_vert2RegionFaces[N][m_maxVertexRegionFaces];
    static const int m_vert2RegionFaceSize[N];

    int getNumFaces() const final { return F; }
    int getNumEdges() const final { return E; }

    const int* getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const final
    {
        p_n = m_face2vertSize[p_face];
        *p_vertices = this->m_vertices;
        return m_face2vert[p_face];
    }
    const int* getIPsForFace(int p_face, int& p_n, const int** p_vertices) const final
    {
        p_n = m_face2vertSize[p_face];
        *p_vertices = this->m_vertices;
        return m_face2IPs[p_face];
    }
    const int* getRegionFacesForVert(int p_vertex, int& p_n) const final
    {
        p_n = m_vert2RegionFaceSize[p_vertex];
        return m_vert2RegionFaces[p_vertex];
    }
    int getTableIndex() const final { return Derived::m_tableIndex; }
    const int* getMarchingTable(int p_case) const final { return Derived::m_marchingTable[p_case]; }
    int getMarchingListSize(int p_case) const final { return Derived::m_marchingListSize[p_case]; }
    int getEdgeConnectivity(int p_edge, int p_end) const final { return m_edgeConnectivity[p_edge][p_end]; }

    void calculateRegions(const TripletZEVVector& p_vertices, TripletZEVVector& p_regionPoints,
                          TripletZEVVector& p_faceCentres, TripletZEVVector& p_faceAreaVectors,
                          TripletZEVVector& p_regionCentres) const final
    {
        const Element::RegionTables tables = {s_regionMidpoints,       E,
                                              s_regionCentreFaces,     F,
                                              m_regionFaces,           m_numRegionFaces,
                                              &m_regionVertices[0][0], m_maxRegionPoints,
                                              m_regionVerticesSize};
        this->fillRegions(tables, p_vertices, p_regionPoints, p_faceCentres, p_faceAreaVectors,
                          p_regionCentres);
    }

protected:
    // The region points after the vertices: the midpoints of these edges (in the region
    // points' own order, not that of m_edgeConnectivity), then the centres of these faces.
    static const int s_regionMidpoints[E][2];
    static const int s_regionCentreFaces[F];
};

} // namespace zev
