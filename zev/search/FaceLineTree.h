#pragma once
// A bounding-box hierarchy over the Tri and Quad faces of a surface's face sets, for
// repeated line and circle queries that want the FIRST face, in set and face order, that a
// line or circle meets (not the nearest one). Every node carries the smallest order number
// below it, so the search skips subtrees that cannot improve on a hit already found; the
// faces are tested with exactly the triangle tests of a scan, so the answer is the scan's.
//
// The tree copies the corner positions of its faces: it answers for the vertices it was
// built from until it is rebuilt. A geometry keeps one between queries and drops it with
// its other search structures (Geometry::clearCache).
//
// Threads: build and countQuery change the tree; once built, firstLineHit, firstCircleHit
// and matches only read it and may run from several threads at once.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <cstddef>
#include <vector>

namespace zev {

class ShapeSet;

class ZEV_EXPORT FaceLineTree : public NonCopyable {
public:
    // Unbuilt; holds the query count of the geometry that owns it until it is built.
    FaceLineTree() = default;
    ~FaceLineTree();

    // Builds over p_sets in order (a null set adds nothing). False, and left unbuilt, when a
    // set holds shapes other than Tri or Quad.
    bool build(const std::vector<const ShapeSet*>& p_sets, const TripletZEVVector& p_vertices);
    bool isBuilt() const { return m_built; }
    // Whether the tree was built from exactly these sets (same objects and sizes) and a
    // vertex array of the same address and size.
    bool matches(const std::vector<const ShapeSet*>& p_sets, const TripletZEVVector& p_vertices) const;

    // Counts the queries made while unbuilt; the owner builds once it is worth it.
    int countQuery() { return ++m_queries; }

    // The first face, in order, that the whole line meets (the line test with nearer-only
    // false and forward-only true): its set position in the build list, its face index and
    // t. False when no face is met.
    bool firstLineHit(const Triplet& p_point, const Triplet& p_direction, int& p_set, int& p_face,
                      float& p_t) const;
    // The first face, in order, that the circle meets, with the hit point.
    bool firstCircleHit(const Triplet& p_centre, const Triplet& p_axis, double p_radius, int& p_set,
                        int& p_face, Triplet& p_hit) const;

    std::size_t numFaces() const { return m_faces.size(); }

private:
    struct Node {
        float lo[3];
        float hi[3];
        int first; // leaf: first face in m_faces; inner: index of the second child
        int count; // leaf: number of faces; inner: 0 (the first child follows the node)
        int minOrder;
    };
    // Corners copied in face order, with the face's order number across the sets.
    struct Face {
        Triplet corner[4];
        int numCorners;
        int order;
    };

    int buildNode(std::vector<int>& p_ids, int p_begin, int p_end, const std::vector<float>& p_boxes,
                  const std::vector<float>& p_centres, std::vector<Face>& p_unordered, int p_depth);
    // Splits a face order number into set and face; false, and nothing written, for INT_MAX
    // (no hit).
    bool toSetAndFace(int p_order, int& p_set, int& p_face) const;
    // Rounding allowance of the box tests for a query at p_point.
    float padding(const Triplet& p_point) const;

    std::vector<Node> m_nodes;
    std::vector<Face> m_faces;
    std::vector<int> m_setOffsets; // order number of each set's first face, and the total
    std::vector<const ShapeSet*> m_sets;
    std::vector<std::size_t> m_setSizes;
    const void* m_vertexData = nullptr;
    std::size_t m_vertexCount = 0;
    float m_magnitude = 0.0f; // largest absolute corner coordinate
    int m_queries = 0;
    bool m_built = false;
};

} // namespace zev
