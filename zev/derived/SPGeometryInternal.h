#pragma once
// The placement of sample points on one parent geometry, used by SamplePointsGeometry for
// one call and one parent. The area-based methods work on a copy of the parent held in this
// object (refinement adds vertices, quadrilaterals and interpolant records to the copy only);
// the other methods only read the parent. Every placed point is appended to the caller's
// arrays together with its normal, element-set number and interpolant record.

#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/derived/SampleRandom.h"
#include "zev/geometry/Geometry.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace zev {

class HybridInterpolant;
class HybridInterpolantData;
class Interpolant;
class Shape;
class ShapeSet;

class ZEV_EXPORT SPGeometryInternal : public Geometry {
public:
    SPGeometryInternal();
    // Public, unlike other geometries: the object lives for one call of its owner, which
    // destroys it directly.
    ~SPGeometryInternal() override;

    // Appends the points of p_parent by p_method to p_points (with normals, element-set
    // numbers and records as requested) and returns how many were appended.
    int doSampling(Geometry* p_parent, SamplePointsGeometry::Method p_method, int p_count, float p_first,
                   float p_second, float p_third, const TripletBase<float>& p_point,
                   const std::string& p_accuracy, HybridInterpolant* p_interpolant,
                   TripletZEVVector& p_points, TripletZEVVector* p_normals, std::vector<int>& p_setNumbers,
                   ReductionUtility* p_reduction);

    // Copies the parent into this object and gathers its face statistics.
    bool cloneParentGeometry(bool p_copyInterpolants);

    // Equally spaced sampling of the parent copy; random places random points per patch
    // (only at accuracy "Low").
    int doAreaSampling(int p_count, bool p_random, const std::string& p_accuracy,
                       HybridInterpolant* p_interpolant, TripletZEVVector& p_points,
                       TripletZEVVector* p_normals, std::vector<int>& p_setNumbers);
    // Links every face of the copy to the faces it shares an edge with (at most two per
    // edge); in a surface group also across members whose boundary edges coincide.
    bool createEdgeFaceListMap(bool p_parentIsSurfaceGroup);

    // The generator of the random methods (not owned); null restores this object's own.
    void setRandom(SampleRandom* p_random) { m_random = p_random ? p_random : &m_ownRandom; }
    // Grid sampling normally tests each node only against the faces whose projection can
    // hold it; a full scan of every face gives the same points and is kept for comparison.
    void setGridFullScan(bool p_fullScan) { m_gridFullScan = p_fullScan; }

    // Face statistics of the copy.
    int getFaceCount() const { return m_faceCount; }
    double getTotalArea() const { return m_totalArea; }
    float getMinArea() const { return m_minArea; }
    float getMaxArea() const { return m_maxArea; }
    bool isCopy() const { return m_isCopy; }
    // The faces the edge map records at the edge (a, b): -1 for an empty entry. Faces are
    // numbered over the sets in name order, then by index.
    std::array<int, 2> getEdgeFaces(int p_a, int p_b) const;
    int getNumExcludedFaces() const;

private:
    struct FaceRef {
        ShapeSet* set;
        int index;
    };

    int doRandomSampling(int p_count);
    int doRectGridSampling(float p_first, float p_second, float p_third, const TripletBase<float>& p_point);
    int doVertexSampling(ReductionUtility* p_reduction);
    int doFaceCenterSampling(ReductionUtility* p_reduction);
    int doFreeEdgeSampling(ReductionUtility* p_reduction);

    // ---- common rules of the placements
    // The geometry the placements read: this copy, or the parent itself.
    const Geometry& source() const;
    // The source's interpolant that describes its vertices, or null.
    const Interpolant* sourceInterpolant() const;
    bool carriesSetNumbers() const;
    // The faces of p_geometry over its sets in name order, then by index.
    static std::vector<const Shape*> facesInOrder(const Geometry& p_geometry);
    // The record of source vertex p_vertex with its domain name.
    void vertexRecord(int p_vertex, HybridInterpolantData& p_record, std::string& p_domain) const;
    // The weights of p_face's corners at p_point over p_vertices that reproduce every field linear
    // over a flat face exactly (the face's own constructWeights, by inverse distance, do not): see
    // the definition. p_point may lie a little off the face; it counts at its projection.
    static void faceWeights(const Shape& p_face, const Triplet& p_point, const TripletZEVVector& p_vertices,
                            std::vector<float>& p_weights);
    // Sum of the records of p_vertices weighted by p_weights, equal nodes merged, normalised.
    void combinedRecord(const int* p_vertices, const float* p_weights, int p_n,
                        HybridInterpolantData& p_record, std::string& p_domain) const;
    // Appends one point placed on p_face of the source (p_weights, when given, are the face
    // weights at the point; otherwise they are computed) with its record, normal and number.
    void appendFacePoint(const Shape& p_face, const Triplet& p_point, const std::vector<float>* p_weights,
                         const Triplet* p_normal);
    // Appends p_count random points on p_face.
    void appendRandomFacePoints(const Shape& p_face, int p_count);

    // ---- equally spaced sampling
    // Calls p_visit(set, index, area) for every face of the copy, the sets in name order.
    template <class Visit> void forEachFaceArea(const Visit& p_visit);
    void collectFaces();
    void refineFaces(float p_threshold);
    // Splits p_face into one quadrilateral per corner around its centroid, again and again
    // while a piece is above p_threshold (at most p_depthLeft more times).
    void refineFace(const Shape& p_face, float p_threshold, int p_depthLeft,
                    std::vector<std::array<int, 4>>& p_quads);
    // The vertex at the middle of the edge (p_a, p_b), shared by all faces of a refinement.
    int midpoint(int p_a, int p_b);
    // Appends a new vertex of the copy with its element-set number and, when the copy keeps
    // records, the record of p_corners weighted at the point.
    int appendCopyVertex(const Triplet& p_point, int p_numberOf, const int* p_corners, const float* p_weights,
                         int p_n);
    int advanceFront(float p_spacing, bool p_random);
    bool grow(float p_spacing);
    int placePatchPoint(float p_spacing, bool p_random);
    const Shape& faceOf(int p_face) const;

    Geometry* m_parent = nullptr; // not owned
    bool m_changed = true;
    int m_faceCount = 0;
    float m_minArea;
    float m_maxArea;
    double m_totalArea = 0.0;
    float m_targetArea = 0.0f;
    bool m_isCopy = false;
    bool m_gridFullScan = false;

    SampleRandom m_ownRandom;
    SampleRandom* m_random = &m_ownRandom;

    // Outputs of the running call (not owned).
    HybridInterpolant* m_outInterpolant = nullptr;
    TripletZEVVector* m_outPoints = nullptr;
    TripletZEVVector* m_outNormals = nullptr;
    std::vector<int>* m_outSetNumbers = nullptr;

    // Faces of the copy, numbered over the sets in name order; kept as set and index because
    // appending quadrilaterals may move a set's shapes.
    std::vector<FaceRef> m_faces;
    std::vector<float> m_faceAreas;
    std::vector<char> m_excluded;
    std::vector<FaceRef> m_excludedRefs;
    // Edge map: for face f, entry m_edgeOffsets[f] + k holds the faces recorded at its edge k.
    std::vector<int> m_edgeOffsets;
    std::vector<std::array<int, 2>> m_edgeFaces;

    // Working state of one equally spaced sampling.
    std::vector<char> m_candidate;
    std::size_t m_firstCandidate = 0;
    std::vector<char> m_visited;
    std::vector<char> m_inFront;
    std::vector<int> m_front; // a queue: m_frontHead is its first entry
    std::size_t m_frontHead = 0;
    float m_carried = 0.0f;
    std::vector<int> m_patch;
    std::vector<int> m_local;
    std::size_t m_localHead = 0;
    float m_accumulated = 0.0f;
    std::vector<unsigned> m_tried;
    unsigned m_stamp = 0;
    // The copy's own records of its vertices while refinement adds vertices (owned by the
    // copy's interpolant list), or null.
    HybridInterpolant* m_copyRecords = nullptr;
    // Refinement: edge midpoints shared by the faces of one refinement.
    std::map<Edge, int> m_midpoints;
};

} // namespace zev
