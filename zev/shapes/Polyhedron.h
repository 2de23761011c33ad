#pragma once
// A cell that is none of the fixed element types: any closed solid bounded by polygonal
// faces. It holds its own vertex list and each face as a list of positions in that list;
// every edge of a well-formed polyhedron is shared by exactly two faces.

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

    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override;
    float getVolume(const TripletZEVVector& p_vertices,
                    FloatZEVVectorConcrete& p_vertexVolumes) const override;
    using Element::getVolume;

    // Writes "Polyhedron: " and each vertex-list entry followed by a blank.
    void print() const final;

protected:
    // Copies the proxy, edge count, vertex list and faces of another polyhedron.
    void copyFromImp(const Shape& p_other) override;
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;

private:
    int m_edgeCount = 0;
    std::vector<int> m_vertices;
    std::vector<std::vector<int>> m_faces;
};

} // namespace zev
