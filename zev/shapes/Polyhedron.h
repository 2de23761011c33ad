#pragma once
// A cell that is none of the fixed element types: any closed solid bounded by polygonal
// faces. It holds its own vertex list and each face as a list of positions in that list;
// every edge of a well-formed polyhedron is shared by exactly two faces. Its measures are
// built from a fan of tetrahedra per face (one face edge, the face's area-weighted centre and
// the cell's centre), so they need no per-type tables.
//
// The faces must be oriented consistently (all counter-clockwise or all clockwise seen from
// outside): the centroid sums signed tetrahedra, so faces of mixed orientation give a wrong
// centroid, and with it wrong volumes, inside tests and weights. Reversing every face changes
// nothing: the volumes take each term in absolute value.

#include "zev/shapes/Element.h"

#include <cassert>
#include <vector>

namespace zev {

class ZEV_EXPORT Polyhedron : public Element {
public:
    // The counts vary per polyhedron; the shape answers them from its own storage.
    static constexpr int s_numVerts = -1;
    static constexpr int s_numFaces = -1;
    static constexpr int s_numEdges = -1;
    static constexpr ShapeType s_shapeType = POLYHEDRON;

    static int staticGetNumVertices() { return s_numVerts; }
    static int staticGetNumFaces() { return s_numFaces; }
    static int staticGetNumEdges() { return s_numEdges; }
    static ShapeType staticGetType() { return s_shapeType; }

    Polyhedron() = default;
    Polyhedron(const Polyhedron&) = default;
    Polyhedron& operator=(const Polyhedron&) = default;
    ~Polyhedron() override;

    // Entry p_i of the vertex list; p_i must be below the vertex count.
    const int& operator[](int p_i) const final
    {
        assert(p_i >= 0 && static_cast<std::size_t>(p_i) < m_vertices.size());
        return m_vertices[static_cast<std::size_t>(p_i)];
    }
    int& operator[](int p_i) final
    {
        assert(p_i >= 0 && static_cast<std::size_t>(p_i) < m_vertices.size());
        return m_vertices[static_cast<std::size_t>(p_i)];
    }
    // Copies the first getNumVertices() entries; fewer entries throw and leave the
    // polyhedron unchanged.
    void setVertices(const IntZEVVector& p_vertices) final;
    int getNumVertices() const final { return static_cast<int>(m_vertices.size()); }
    int getNumFaces() const final { return static_cast<int>(m_faces.size()); }
    int getNumEdges() const final { return m_edgeCount; }
    ShapeType getType() const final { return s_shapeType; }

    // Building: the vertex list length (new entries 0), the face count (new faces empty),
    // a face's corner count (new corners 0), corner p_i of a face (a vertex-list position)
    // and the edge count. Faces and corners must be in range.
    void setNumVertices(int p_n) final;
    void setNumFaces(int p_n) final;
    void setNumEdges(int p_n) final { m_edgeCount = p_n; }
    void setFaceVertSize(int p_face, int p_n) final;
    void setFaceVertex(int p_face, int p_i, int p_v) final
    {
        assert(p_face >= 0 && static_cast<std::size_t>(p_face) < m_faces.size());
        assert(p_i >= 0 && static_cast<std::size_t>(p_i) < m_faces[static_cast<std::size_t>(p_face)].size());
        m_faces[static_cast<std::size_t>(p_face)][static_cast<std::size_t>(p_i)] = p_v;
    }

    // Face p_face: sets p_n to its corner count, stores the vertex list through
    // p_vertices and returns the face's corners as vertex-list positions.
    const int* getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const final;
    // As getVerticesForFace, but returns null: a polyhedron has no parametric face order.
    const int* getIPsForFace(int p_face, int& p_n, const int** p_vertices) const final;

    // Every measure below refuses a face corner outside the vertex list (zev::data::invalid)
    // and a face without corners (the Triplet division by zero).

    // Whether the point lies in one of the tetrahedra (corner, next corner, face centre,
    // centroid); barycentric values within a thousandth of 0 or 1 count as on them.
    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override;
    // The dual regions around the vertices: each region is bounded by the quadrilaterals
    // (corner, edge midpoint, face centre, edge midpoint) on the faces and (centroid, face
    // centre, edge midpoint, face centre) inside. An edge met by one face only (an open
    // surface) contributes no inner quadrilateral.
    float getVolume(const TripletZEVVector& p_vertices,
                    FloatZEVVectorConcrete& p_vertexVolumes) const override;
    using Element::getVolume;
    // The sum of the pyramids from the centroid to each face (face vertex mean, Newell area
    // vector), each taken positive. 0 without faces.
    float getSimpleVolume(const TripletZEVVector& p_vertices) const override;

    // Writes "Polyhedron: " and each vertex-list entry followed by a blank.
    void print() const final;

protected:
    // Copies the proxy, edge count, vertex list and faces of another polyhedron.
    void copyFromImp(const Shape& p_other) override;
    // In the first tetrahedron of the fan that holds the point, its barycentric values go to
    // the edge's two corners, the face's corners (the face centre's share, split evenly) and
    // every vertex (the centroid's share, split evenly). False and all 0 when none holds it.
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;
    // The volume-weighted centre of the tetrahedra (corner, next corner, face centre, vertex
    // mean); the vertex mean when their signed volumes sum to 0 (also without faces).
    Triplet calcCentroidImp(const TripletZEVVector& p_vertices) const override;

private:
    // Throws for a face without corners or with a corner outside the vertex list, naming
    // p_method; every measure calls it before reading a corner.
    void checkFaces(const char* p_method) const;
    // Position of corner p_k of face p_face.
    const Triplet& corner(const TripletZEVVector& p_vertices, const std::vector<int>& p_face,
                          std::size_t p_k) const
    {
        return p_vertices[static_cast<std::size_t>(m_vertices[static_cast<std::size_t>(p_face[p_k])])];
    }
    // The area-weighted centre of every face into p_centres, and the centroid made from them.
    Triplet faceCentresAndCentroid(const TripletZEVVector& p_vertices, std::vector<Triplet>& p_centres) const;
    // Searches the fan tetrahedra of the faces whose box (with p_centroid) holds the point;
    // on a hit, p_face, p_k and p_bary say which tetrahedron and where in it.
    bool findTetrahedron(const Triplet& p_point, const TripletZEVVector& p_vertices,
                         const std::vector<Triplet>& p_centres, const Triplet& p_centroid,
                         std::size_t& p_face, std::size_t& p_k, float p_bary[4]) const;

    int m_edgeCount = 0;
    std::vector<int> m_vertices;
    std::vector<std::vector<int>> m_faces;
};

} // namespace zev
