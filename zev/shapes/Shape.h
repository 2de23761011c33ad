#pragma once
// The common base of every element and face. A shape holds only the indices of its corner
// vertices in a geometry's vertex array; its class knows the topology, and every geometric
// query takes the vertex array as an argument. Shapes are small values held by value in
// shape sets, so the virtual interface below is the only polymorphic access to them.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/shapes/Edge.h"
#include "zev/shapes/IntersectionType.h"
#include "zev/shapes/ShapeType.h"

#include <cstddef>
#include <map>
#include <vector>

namespace zev {

class EdgeInterpolant;
class FloatZEVVector;
class Geometry;
class IntersectGeometryIface;

// Bytes taken by a shape of p_bytes of own data after the table and proxy pointers,
// padded as the compiler pads the object. Used to keep the fixed classes lean.
constexpr std::size_t shapeFootprint(std::size_t p_bytes)
{
    const std::size_t raw = 2 * sizeof(void*) + p_bytes;
    return (raw + alignof(void*) - 1) / alignof(void*) * alignof(void*);
}

class ZEV_EXPORT Shape {
public:
    // The order of the virtual operations below is part of the interface; new ones go last.
    virtual ~Shape();

    // Vertex index in slot p_i. Unchecked on the fixed-size classes.
    virtual const int& operator[](int p_i) const = 0;
    virtual int& operator[](int p_i) = 0;
    virtual void setVertices(const IntZEVVector& p_vertices) = 0;
    virtual int getNumVertices() const = 0;
    virtual int getNumFaces() const = 0;
    virtual int getNumEdges() const = 0;
    virtual ShapeType getType() const = 0;

    // Building operations of the variable-size classes; the fixed classes ignore them.
    virtual void setNumVertices(int p_n);
    virtual void setNumFaces(int p_n);
    virtual void setNumEdges(int p_n);
    virtual void setFaceVertSize(int p_face, int p_n);
    virtual void setFaceVertex(int p_face, int p_i, int p_v);

    // Marching tables of the element cut: the largest case index, row p_case and its used
    // length, and the local vertex at end p_end (0 or 1) of local edge p_edge.
    virtual int getTableIndex() const;
    virtual const int* getMarchingTable(int p_case) const;
    virtual int getMarchingListSize(int p_case) const;
    virtual int getEdgeConnectivity(int p_edge, int p_end) const;

    // Local vertices of element face p_face: sets p_n to their count, stores the shape's
    // vertex-index array through p_vertices and returns the face's row of local slots, so
    // that global vertex k of the face is (*p_vertices)[row[k]]. The face is not checked.
    virtual const int* getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const = 0;
    // The same in the order of the element's parametric coordinates on the face.
    virtual const int* getIPsForFace(int p_face, int& p_n, const int** p_vertices) const = 0;

    // Inclusive bounding-box test of a point against the shape's vertices.
    virtual bool isWithinExtents(const Triplet& p_point, const TripletZEVVector& p_vertices) const;
    virtual bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const = 0;
    virtual bool projectPointToFace(const Triplet& p_point, const TripletZEVVector& p_vertices,
                                    Triplet& p_projected, float& p_distance) const;
    virtual bool projectVectorToFace(const Triplet& p_vector, const TripletZEVVector& p_vertices,
                                     Triplet& p_projected) const;
    virtual bool intersectEdge(const Triplet& p_start, const Triplet& p_direction,
                               const TripletZEVVector& p_vertices, Edge& p_exitEdge, Triplet& p_exitPoint,
                               float& p_t, float& p_fraction, bool p_inPlane, bool p_useFraction,
                               const Edge* p_skipEdge) const;
    // Component-wise minimum and maximum of the shape's vertex positions.
    virtual void calcExtents(const TripletZEVVector& p_vertices, Triplet& p_min, Triplet& p_max) const;
    // Volume as the sum of the dual regions around the vertices, with each region's volume.
    virtual float getVolume(const TripletZEVVector& p_vertices,
                            FloatZEVVectorConcrete& p_vertexVolumes) const;
    virtual float getVolume(const TripletZEVVector& p_vertices) const;
    virtual float getArea(const TripletZEVVector& p_vertices, Triplet& p_areaVector) const;
    virtual float getSimpleVolume(const TripletZEVVector& p_vertices) const;
    // Adds each corner's sector area vector and sector area into the outputs at the corner's
    // global vertex number (both outputs must cover every index held) and returns the area.
    virtual float calcVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                                  FloatZEVVectorConcrete& p_vertexAreas) const;
    // Adds each vertex's share of the volume into p_vertexVolumes at its global vertex
    // number and returns the volume.
    virtual float calcVertexVolumes(const TripletZEVVector& p_vertices,
                                    FloatZEVVectorConcrete& p_vertexVolumes) const;
    // The region faces bounding vertex p_vertex's dual region (p_n set to their count), or
    // null for shapes without dual regions.
    virtual const int* getRegionFacesForVert(int p_vertex, int& p_n) const;
    // Region points, region face centres and area vectors, and region centres of the dual
    // regions; the outputs are resized only when their size differs.
    virtual void calculateRegions(const TripletZEVVector& p_vertices, TripletZEVVector& p_regionPoints,
                                  TripletZEVVector& p_faceCentres, TripletZEVVector& p_faceAreaVectors,
                                  TripletZEVVector& p_regionCentres) const;
    // One interpolation weight per vertex slot for the point (x, y, z).
    virtual bool constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const = 0;
    virtual bool constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                          std::vector<float>& p_weights) const;
    // Writes the class label and the vertex indices to standard output.
    virtual void print() const = 0;
    virtual bool intersectsWithLine(const Triplet& p_point, const Triplet& p_direction,
                                    const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly) const;
    virtual bool intersectsWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                                      const TripletZEVVector& p_vertices, Triplet& p_hit) const;
    // Replaces every vertex index v by p_map[v]; p_map must cover every index held.
    virtual void remapVertices(const std::vector<int>& p_map);
    virtual bool getNormal(const TripletZEVVector& p_vertices, Triplet& p_normal, bool p_normalise) const;
    virtual Triplet normalVector(const TripletZEVVector& p_vertices) const;
    // Cuts the element by a plane, an iso value or an implicit surface, adding the cut
    // vertices and polygons to the shared state of one cutting operation.
    virtual void intersectWithElement(int p_numVertices, IntersectionType p_type,
                                      const TripletZEVVector& p_vertices, const Triplet& p_normal,
                                      const FloatZEVVector* p_field, const IntersectGeometryIface* p_surface,
                                      int p_setNumber, int p_index, float p_threshold,
                                      std::map<Edge, int>& p_edgeVertexMap, Geometry& p_output,
                                      EdgeInterpolant* p_interpolant, int& p_nextVertex,
                                      std::map<int, std::vector<int>>& p_polygonMap) const;
    // Drops cached measures (face normals and areas).
    virtual void clearDataStores();

protected:
    virtual void copyFromImp(const Shape& p_other);
    virtual Triplet calcCentroidImp(const TripletZEVVector& p_vertices) const;

public:
    Triplet calcCentroid(const TripletZEVVector& p_vertices) const { return calcCentroidImp(p_vertices); }
    // Adds exactly what calcVertexAreas adds into the per-vertex arrays, without forming the
    // shape's area, for callers that want only the per-vertex sums.
    void addVertexAreaShares(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                             FloatZEVVectorConcrete& p_vertexAreas) const;
    // True when two different slots hold the same vertex index.
    bool isDegenerate() const;
    // Mean distance from slot 0's position to each other slot's position.
    double lengthScale(const TripletZEVVector& p_vertices) const;
    // Adds this element's share to a vertex gradient estimate: the dual-region volume of each
    // vertex into p_vertexVolumes and, for every element face, minus p_value times each
    // corner's sector area vector into p_vertexGradients, both at global vertex numbers. The
    // caller divides the gradients by the volumes once all elements are in.
    void calcGradientAtVertices(const TripletZEVVector& p_vertices, const float& p_value,
                                FloatZEVVectorConcrete& p_vertexVolumes,
                                TripletZEVVector& p_vertexGradients) const;

    // Splits the polygon with corners p_corners into one quadrilateral per corner (corner,
    // midpoint of the leaving edge, centre, midpoint of the arriving edge) and writes each
    // quadrilateral's area vector to p_sectors. Returns a vector along the sum of the sectors
    // whose length is the sum of their areas, so a warped face keeps its full area. No
    // corner fails as a division by zero.
    static Triplet getSectorAreasForFace(TripletZEVVector& p_sectors, const TripletZEVVector& p_corners);
    // getSectorAreasForFace over this shape's corners in slot order (meaningful for faces).
    Triplet getAreaVector(const TripletZEVVector& p_vertices, TripletZEVVector& p_sectors) const;
    // getSectorAreasForFace over the corners of element face p_face; zero for a face number
    // the element does not have. A face shape throws, as getVerticesForFace does, unless the
    // number is above its vertex count.
    Triplet getAreaVectorForFace(int p_face, const TripletZEVVector& p_vertices) const;
    bool constructWeights(const Triplet& p_point, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const
    {
        return constructWeights(p_point[0], p_point[1], p_point[2], p_vertices, p_weights);
    }
    bool constructBilinearWeights(const Triplet& p_point, const TripletZEVVector& p_vertices,
                                  std::vector<float>& p_weights) const
    {
        return constructBilinearWeights(p_point[0], p_point[1], p_point[2], p_vertices, p_weights);
    }
    // Copies the vertex data of a shape of the same type; the interpolation proxy stays.
    void copyFrom(const Shape& p_other);

    // Line and circle tests (directions are unit vectors). The triangle of vertex ids
    // p_v0, p_v1, p_v2 against the line p_point + t p_direction: a hit stores t; p_nearerOnly
    // accepts only a t below the incoming p_t; with both flags set t < 0 is refused.
    bool intersectsTriangle(const Triplet& p_point, const Triplet& p_direction, int p_v0, int p_v1, int p_v2,
                            const TripletZEVVector& p_vertices, float& p_t, bool p_nearerOnly,
                            bool p_forwardOnly) const;
    // The triangle against the circle of radius p_radius about the axis through p_centre.
    bool intersectsTriangleWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                                      int p_v0, int p_v1, int p_v2, const TripletZEVVector& p_vertices,
                                      Triplet& p_hit) const;
    // The first of the local faces p_faces (split into triangle fans) hit ahead of the point
    // and nearer than p_t, which it stores; -1 when none is.
    int intersectsBoundaryFaces(const std::vector<int>& p_faces, const Triplet& p_point,
                                const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                float& p_t) const;
    // Where the whole line meets this element's faces, near duplicates merged; two points
    // left become a segment appended to p_outVertices and p_outLines, each new vertex id
    // mapped to lengthScale in p_lengthScales. Returns the number of points left.
    int intersectFacesWithLine(const Triplet& p_point, const Triplet& p_direction,
                               const TripletZEVVector& p_vertices, TripletZEVVector& p_outVertices,
                               IntZEVVector& p_outLines, std::map<int, double>& p_lengthScales) const;

    // Another shape that stands in for this one when interpolation weights are wanted.
    void setInterpolationProxy(const Shape* p_proxy) { m_interpolationProxy = p_proxy; }
    const Shape* getInterpolationProxy() const { return m_interpolationProxy; }
    bool hasInterpolationProxy() const { return m_interpolationProxy != nullptr; }

protected:
    Shape() = default;
    // Copying through the base would slice; the concrete classes copy whole values.
    Shape(const Shape&) = default;
    Shape& operator=(const Shape&) = default;

    // Snaps s, t, u lying just outside [0, 1] onto it; true when all three are in [0, 1].
    bool checkSTURanges(float& p_s, float& p_t, float& p_u) const;

    // Shared workers of the concrete classes.
    static void setVerticesChecked(int* p_slots, int p_count, const IntZEVVector& p_vertices,
                                   const char* p_className);
    static void printVertices(const char* p_label, const int* p_slots, int p_count);

private:
    const Shape* m_interpolationProxy = nullptr; // not owned
};

} // namespace zev
