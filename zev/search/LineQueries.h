#pragma once
// Straight lines and circles against shapes and geometries: the line and circle tests of a
// triangle, faces tested as triangle fans, the polyline a line draws through a domain's
// elements, the first face of a surface a line or a rotation meets, and the listings a tool
// needs (every face crossing along a line, the stretches of a line inside a domain).
//
// Directions and axes are unit vectors wherever a test compares them with a tolerance: the
// triangle test rejects a line as parallel when |d . n| is below the single-precision
// epsilon, which is an angle only for a unit d. The geometry-level queries normalise what
// they are given; callers of the shape-level tests pass unit directions.
//
// Threads: every query keeps its state on the stack and only reads the shapes and geometries
// it is given, so queries may run from several threads at once on one geometry, with two
// exceptions. intersectFacesWithLine and intersectFacesWithCircle create and build the
// search index in the slot they are given: under p_lock when one is given (Geometry passes
// its cache lock), otherwise the slot must not be shared between threads. And
// intersectLineWithGeometry appends to its target geometry, which must be the caller's
// own.

#include "zev/ZEVExport.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zev {

class FaceLineTree;
class Geometry;
class Shape;
class ShapeSet;

// One crossing of a line with a face: the face set's name and the face's position in it,
// the line parameter (distance along the unit direction from the line's point; negative
// behind it) and the crossing point.
struct LineFaceHit {
    std::string setName;
    int face = -1;
    float t = 0.0f;
    Triplet point;
    double exactT = 0.0; // t in double precision, as the double-precision query found it
};

// A point or a direction in double precision.
using LinePoint = std::array<double, 3>;

class ZEV_EXPORT LineQueries {
public:
    // The triangle (p_p0, p_p1, p_p2) against the line p_point + t p_direction. A hit stores
    // t. p_nearerOnly accepts only a t below the incoming p_t; with both flags set a hit
    // behind the point (t < 0) is refused, otherwise the whole line counts.
    static bool intersectsTriangle(const Triplet& p_point, const Triplet& p_direction, const Triplet& p_p0,
                                   const Triplet& p_p1, const Triplet& p_p2, float& p_t, bool p_nearerOnly,
                                   bool p_forwardOnly);
    // The triangle against the circle of radius p_radius around the axis through p_centre
    // along p_axis (normalised here), lying in the plane through p_centre across the axis.
    // Height and radial distance are taken as linear over the triangle, so the hit is exact
    // for triangles small against the radius.
    static bool intersectsTriangleWithCircle(const Triplet& p_centre, const Triplet& p_axis, double p_radius,
                                             const Triplet& p_p0, const Triplet& p_p1, const Triplet& p_p2,
                                             Triplet& p_hit);

    // The polygon of p_count global vertex ids split into the fan (0, k, k + 1); true at the
    // first fan triangle hit, with its t. A Tri is its own fan; a Quad is (0, 1, 2), (0, 2, 3).
    static bool fanIntersectsLine(const int* p_ids, int p_count, const Triplet& p_point,
                                  const Triplet& p_direction, const TripletZEVVector& p_vertices, float& p_t,
                                  bool p_nearerOnly, bool p_forwardOnly);
    static bool fanIntersectsCircle(const int* p_ids, int p_count, const Triplet& p_centre,
                                    const Triplet& p_axis, double p_radius,
                                    const TripletZEVVector& p_vertices, Triplet& p_hit);

    // The first of the element's local faces p_faces hit nearer than p_t (stored on a hit)
    // and ahead of the point, or -1.
    static int intersectsBoundaryFaces(const Shape& p_element, const std::vector<int>& p_faces,
                                       const Triplet& p_point, const Triplet& p_direction,
                                       const TripletZEVVector& p_vertices, float& p_t);
    // The points where the whole line meets the element's faces, near duplicates merged. When
    // two points remain they are appended to p_outVertices as a segment of p_outLines, each
    // with the element's length scale in p_lengthScales (a stored value is kept). Returns the
    // number of points left.
    static int intersectFacesWithLine(const Shape& p_element, const Triplet& p_point,
                                      const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                      TripletZEVVector& p_outVertices, IntZEVVector& p_outLines,
                                      std::map<int, double>& p_lengthScales);

    // The segments the line draws through every element of p_domain's element sets ES1,
    // ES2, ... (virtual-layer sets too), appended to p_target's vertices and lines in element
    // order.
    static void intersectLineWithGeometry(Geometry& p_target, const Geometry* p_domain,
                                          const Triplet& p_point, const Triplet& p_direction,
                                          std::map<int, double>& p_lengthScales);

    // The first face of p_set, in order, whose own line test (forward-only) or circle test
    // succeeds, or -1.
    static int intersectLineWithFaceSet(const ShapeSet& p_set, const Triplet& p_point,
                                        const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                        float& p_t, bool p_nearerOnly);
    static int intersectCircleWithFaceSet(const ShapeSet& p_set, const Triplet& p_centre,
                                          const Triplet& p_axis, double p_radius,
                                          const TripletZEVVector& p_vertices, Triplet& p_hit);

    // The first face of "TRI", then of "QUAD", that the whole line meets; p_displacement
    // gets the hit minus p_point. p_tree caches the search index of the two sets between
    // calls (see FaceLineTree); null scans every face on every call. p_lock, when given,
    // guards p_tree, so that concurrent queries share one build of it.
    static bool intersectFacesWithLine(const Geometry& p_surface, const Triplet& p_point,
                                       const Triplet& p_direction, Triplet& p_displacement,
                                       std::shared_ptr<FaceLineTree>* p_tree,
                                       std::recursive_mutex* p_lock = nullptr);
    // The signed angle (radians, right-handed about the axis from p_axisStart to p_axisEnd)
    // that carries p_point onto the first face of "TRI", then of "QUAD", its circle meets.
    static bool intersectFacesWithCircle(const Geometry& p_surface, const Triplet& p_point,
                                         const Triplet& p_axisStart, const Triplet& p_axisEnd,
                                         double& p_angle, std::shared_ptr<FaceLineTree>* p_tree,
                                         std::recursive_mutex* p_lock = nullptr);

    // Every crossing of the whole line (p_direction normalised here) with the faces of all
    // face sets of p_surface, in ascending t. Crossings closer than 1e-5 times the face's
    // length scale (a line through a shared edge or vertex) count once, for the face met
    // first in set-name and face order. The tests run in double precision and take a point
    // within a millionth of a fan triangle's size of its edges as on it, so that a line
    // through a vertex or along an edge, which each neighbouring triangle would reject by a
    // rounding, is still seen to cross; a line lying in a face's plane does not cross it.
    static std::vector<LineFaceHit> faceHitsAlongLine(const Geometry& p_surface, const Triplet& p_point,
                                                      const Triplet& p_direction);
    static std::vector<LineFaceHit> faceHitsAlongLine(const Geometry& p_surface, const LinePoint& p_point,
                                                      const LinePoint& p_direction);
    // The stretches (t_in, t_out) of the whole line inside the elements of p_domain, in
    // ascending t, with stretches that meet at a shared face joined; their lengths are the
    // chords of the domain along the line (p_direction normalised here).
    static std::vector<std::pair<double, double>>
    insideStretches(const Geometry& p_domain, const Triplet& p_point, const Triplet& p_direction);
    // The chords of p_domain along the whole line (p_direction a unit vector), delimited by the
    // line's crossings p_crossings (ascending t) with the domain's boundary: the line passes
    // between inside and outside only there. Each stretch between two consecutive crossings is
    // inside when the elements' own stretches (each cell clipped by its faces' planes) cover
    // most of it, and consecutive inside stretches are joined, so that every chord is maximal
    // and ends at crossings; a touch of the boundary from inside does not split a chord. With
    // no crossings the cells' stretches, joined, are the chords.
    static std::vector<std::pair<double, double>>
    chordsBetweenCrossings(const Geometry& p_domain, const std::vector<double>& p_crossings,
                           const LinePoint& p_point, const LinePoint& p_direction);

    // p_v divided by its length; a zero vector is left as it is and one with an undefined
    // component is divided by the undefined value.
    static Triplet normalised(const Triplet& p_v);
};

} // namespace zev
