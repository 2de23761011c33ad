#pragma once
// Point location in a geometry: finds the element that holds a point and the interpolation
// weights of its vertices, through the octrees the geometry caches or by a linear scan.
// Geometry::findElement and its relatives forward here; callers that want a located point
// as one record (set, element, vertex weights) and the value of a vertex field there use
// locate and interpolate.
//
// An element accepts a point in two passes. The first asks the element's own inside test;
// when an element that contains the point cannot invert its parametric mapping, a second
// pass accepts the first element whose bounding box holds the point and whose weights can
// be computed. The first accepted element in search order wins: lower set index first
// (regular sets before the virtual layer), then octree leaf order.
//
// Threads: search, isInElement and interpolate keep their scratch on the stack or per
// thread and only read the geometry, its sets and its octrees (which the geometry builds
// once under its cache lock), so several threads may search one geometry at once. locate
// goes through Geometry::findElement and is as safe as it is.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/shapes/shapeIndex.h"

#include <vector>

namespace zev {

class FloatZEVVector;
class Shape;

// A located point: where it is and how to interpolate vertex data there.
struct ZEV_EXPORT PointLocation {
    // (set index, shape index, shape); (-1, -1, proxy face) for a point caught by the
    // virtual layer; (-1, -1, null) when nothing holds the point.
    shapeIndex m_element;
    // Vertex ids of the regular vertex array with their weights; empty when not found.
    HybridInterpolantData m_weights;

    bool found() const { return m_element.hasGeomData(); }
};

class ZEV_EXPORT PointLocator {
public:
    enum class Outcome { Found, NotFound, Aborted };

    // The geometry whose sets are searched, its virtual layer's vertices and set indices,
    // whether the layer takes part, and whether a failed parametric inversion rejects an
    // element (the STU check). The references must outlive the locator.
    PointLocator(const Geometry& p_geometry, const TripletZEVVector& p_layerVertices,
                 const std::vector<int>& p_layerIndices, bool p_layerActive, bool p_stuCheck);

    // One full search (both passes) over the search list of p_mode, through the octrees or
    // by linear scan. Aborted when a listed set or its octree cannot be had.
    Outcome search(const Triplet& p_point, std::vector<float>& p_weights, Geometry::SearchMode p_mode,
                   bool p_useOctree, shapeIndex& p_result) const;

    // The acceptance test of one element. p_strict asks for the shape's inside test,
    // otherwise its bounding box is enough. p_proxy receives the shape's proxy when the
    // answer is given through it; p_stuFailure is set when the weights could not be had.
    static bool isInElement(const Triplet& p_point, std::vector<float>& p_weights, const Shape& p_shape,
                            const TripletZEVVector& p_vertices, const TripletZEVVector& p_regularVertices,
                            bool p_strict, bool p_stuCheck, const Shape*& p_proxy, bool& p_stuFailure);

    // Locates p_point in p_geometry (Geometry::findElement) and packages the answer.
    static PointLocation locate(Geometry& p_geometry, const Triplet& p_point, Geometry::SearchMode p_mode,
                                bool p_fallback);

    // The weighted sum of p_values over the located vertices; the undefined value when
    // nothing was located, when a vertex lies outside p_values or when one of its values
    // is undefined.
    static float interpolate(const HybridInterpolantData& p_weights, const FloatZEVVector& p_values);
    // The same over p_count items of p_stride floats each, reading the one at p_offset in every item
    // (a component of interleaved vector values).
    static float interpolate(const HybridInterpolantData& p_weights, const float* p_values,
                             std::size_t p_count, std::size_t p_stride, std::size_t p_offset);

private:
    // Tests the candidates p_ids of one set; true on acceptance (p_result filled).
    bool testCandidates(const Triplet& p_point, std::vector<float>& p_weights, int p_index,
                        const ShapeSet& p_set, const TripletZEVVector& p_vertices, const int* p_ids,
                        int p_count, bool p_strict, bool& p_stuFailure, shapeIndex& p_result) const;

    const Geometry& m_geometry;
    const TripletZEVVector& m_layerVertices;
    const std::vector<int>& m_layerIndices;
    bool m_layerActive;
    bool m_stuCheck;
};

} // namespace zev
