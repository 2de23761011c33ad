#pragma once
// Projection of points onto a surface: for each point the face, edge or vertex of the
// surface it lands on, as a weighted list of surface vertices. The tables it needs (nearest
// vertex search, the faces around each vertex, the vertices around each vertex) are built
// once per surface and reused for every point of a call.
//
// Threads: a projector holds the scratch of its calls (the nearest vertices, the faces
// tried), so each thread uses its own; Geometry builds one per call. The surface is only
// read, apart from the normal and area each face caches on first use (Face.h): projections
// onto one surface from several threads are safe once those caches are filled, for
// instance by one projection beforehand.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/search/NearestVertices.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zev {

class HybridInterpolant;
class ProjectionStatistics;
class Shape;
class ShapeSet;
class shapeIndex;

class ZEV_EXPORT SurfaceProjector {
public:
    // The vertices around a vertex, as the surface's neighbour table gives them.
    using NeighbourSource = std::function<void(int, std::set<int>&)>;

    // p_faceSets in name order; null sets are skipped, and so is a face that names a vertex
    // outside p_vertices. p_neighbours may be empty when only projectVertices is used.
    SurfaceProjector(const TripletZEVVector& p_vertices, const std::vector<const ShapeSet*>& p_faceSets,
                     const NeighbourSource& p_neighbours);

    // One entry per point, in point order, under p_domain; each outcome is counted. Nothing
    // is pushed when the surface has no vertex.
    void project(const TripletZEVVector& p_points, HybridInterpolant& p_interpolant,
                 const std::string& p_domain, ProjectionStatistics& p_statistics);

    // Per point, the first face around the nearest vertices that the point projects into
    // (set position in p_faceSets, face index, face) and the projected point; (-1, -1, null)
    // and the point itself when there is none.
    void projectVertices(const TripletZEVVector& p_points, std::vector<shapeIndex>& p_faces,
                         TripletZEVVector& p_projected);

    // How many nearest vertices a projection looks at: 25, or the value of
    // KPL_NODES_TO_CHECK_FOR_PROJECTION, read and announced once per process.
    static int nodesToCheck();

    // Whether a point at squared distance p_nearest from vertex p_node coincides with it:
    // the next distinct distance p_second (none when p_hasSecond is false) is over a hundred
    // times larger, or the point is nearer than a twentieth of the squared spacing to the
    // nearest of p_around.
    static bool isEquivalent(double p_nearest, bool p_hasSecond, double p_second, const Triplet& p_node,
                             const TripletZEVVector& p_vertices, const int* p_around,
                             std::size_t p_aroundCount);

private:
    struct FaceRef {
        const Shape* face;
        int set;
        int index;
        int count;
    };

    void buildNeighbours();
    void nearest(const Triplet& p_point);
    bool faceCandidate(const Triplet& p_point, std::vector<int>& p_nodes, std::vector<float>& p_weights,
                       double& p_distance);
    // The nearest walk point along the edges around the nearest vertices. Edges that cannot
    // come nearer than sqrt(p_limit) may be left out: the caller then needs no edge candidate.
    bool edgeCandidate(const Triplet& p_point, double p_limit, int& p_from, int& p_to, float& p_t,
                       double& p_distance) const;

    const TripletZEVVector& m_vertices;
    NeighbourSource m_neighbourSource;
    NearestVertices m_search;
    int m_count;
    struct Box {
        float lo[3];
        float hi[3];
        float scale; // largest coordinate magnitude, for the rounding slack
    };

    std::vector<FaceRef> m_faces;
    std::vector<Box> m_faceBoxes; // triangles only
    // Faces around vertex v: m_vertexFaces[m_vertexFaceStart[v] .. m_vertexFaceStart[v + 1]).
    std::vector<int> m_vertexFaceStart;
    std::vector<int> m_vertexFaces;
    // Vertices around vertex v, ascending, in the same layout.
    std::vector<int> m_neighbourStart;
    std::vector<int> m_neighbours;
    // Per vertex, the smallest non-zero squared distance to a neighbour (0 when there is
    // none) and the longest distance to one.
    std::vector<float> m_spacing;
    std::vector<double> m_reach;
    // Per face, the number of the last point that tried it: a face around several of the
    // nearest vertices gives the same answer each time, so it is tried once.
    std::vector<unsigned> m_tried;
    unsigned m_query = 0;
    NearestVertices::Result m_nearest;
    NearestVertices::Result m_previous; // the previous point's, as the search's hint
    std::vector<float> m_scratch;
};

} // namespace zev
