#pragma once
// A pyramid: the base quadrilateral 0, 1, 2, 3 in cyclic order and the apex 4.
// The topology tables are shared by all shapes of the class; a shape holds only its
// vertex indices.

#include "zev/shapes/Element.h"

#include <cassert>

namespace zev {

class ZEV_EXPORT Pyramid : public Element {
public:
    static constexpr int m_numVerts = 5;
    static constexpr int m_numFaces = 5;
    static constexpr int m_numEdges = 8;
    static constexpr ShapeType m_shapeType = PYRAMID;
    // Largest case index of the marching table.
    static constexpr int m_tableIndex = 15;

    static int staticGetNumVertices() { return m_numVerts; }
    static int staticGetNumFaces() { return m_numFaces; }
    static int staticGetNumEdges() { return m_numEdges; }
    static ShapeType staticGetType() { return m_shapeType; }

    // Local vertices of each face in area and normal order, the row lengths, the same
    // vertices in parametric order, and the two local vertices of each edge. Columns past
    // a row's length hold 0.
    static const int m_face2vert[m_numFaces][4];
    static const int m_face2vertSize[m_numFaces];
    static const int m_face2IPs[m_numFaces][4];
    static const int m_edgeConnectivity[m_numEdges][2];

    // Marching tables of the element cut: one row per case, and each row's used length.
    static const int m_marchingTable[m_tableIndex + 1][8];
    static const int m_marchingListSize[m_tableIndex + 1];

    // Dual regions around the vertices: the region points of each vertex's region, the
    // four points of each region face, and the region faces bounding each vertex's region.
    static const int m_regionVertices[m_numVerts][10];
    static const int m_regionVerticesSize[m_numVerts];
    static const int m_regionFaces[32][4];
    static const int m_vert2RegionFaces[m_numVerts][8];
    static const int m_vert2RegionFaceSize[m_numVerts];

    Pyramid() = default;
    Pyramid(const Pyramid&) = default;
    Pyramid& operator=(const Pyramid&) = default;
    ~Pyramid() override;

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
    // Copies the first 5 entries; fewer entries throw and leave the shape unchanged.
    void setVertices(const IntZEVVector& p_vertices) final;
    int getNumVertices() const final { return m_numVerts; }
    int getNumFaces() const final { return m_numFaces; }
    int getNumEdges() const final { return m_numEdges; }
    ShapeType getType() const final { return m_shapeType; }

    int getTableIndex() const final { return m_tableIndex; }
    const int* getMarchingTable(int p_case) const final { return m_marchingTable[p_case]; }
    int getMarchingListSize(int p_case) const final { return m_marchingListSize[p_case]; }
    int getEdgeConnectivity(int p_edge, int p_end) const final { return m_edgeConnectivity[p_edge][p_end]; }

    const int* getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const final
    {
        p_n = m_face2vertSize[p_face];
        *p_vertices = m_vertices;
        return m_face2vert[p_face];
    }
    const int* getIPsForFace(int p_face, int& p_n, const int** p_vertices) const final
    {
        p_n = m_face2vertSize[p_face];
        *p_vertices = m_vertices;
        return m_face2IPs[p_face];
    }
    const int* getRegionFacesForVert(int p_vertex, int& p_n) const final
    {
        p_n = m_vert2RegionFaceSize[p_vertex];
        return m_vert2RegionFaces[p_vertex];
    }

    // Signed volume as a sum of tetrahedra; positive for the standard local numbering.
    float getSimpleVolume(const TripletZEVVector& p_vertices) const final;
    void calculateRegions(const TripletZEVVector& p_vertices, TripletZEVVector& p_regionPoints,
                          TripletZEVVector& p_faceCentres, TripletZEVVector& p_faceAreaVectors,
                          TripletZEVVector& p_regionCentres) const final;

    // Writes "Pyramid: " and each vertex index followed by a blank.
    void print() const final;

    // The vertex-index array, for non-virtual access in hot loops.
    const int* vertices() const { return m_vertices; }

protected:
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;

private:
    // Parametric coordinates of the point by Newton's method; false when the iteration
    // failed, with s = t = u = 0.5.
    bool constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                      float& p_t, float& p_u) const;

    int m_vertices[m_numVerts] = {};
};

static_assert(sizeof(Pyramid) == shapeFootprint(Pyramid::m_numVerts * sizeof(int)),
              "a Pyramid holds only its table pointer, proxy pointer and vertex indices");

} // namespace zev
