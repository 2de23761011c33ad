#include "zev/search/LineQueries.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/FaceLineTree.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zev {

namespace {

// Below this |d . n| a line counts as lying in the triangle's plane: the single-precision
// epsilon, so for unit vectors an angle of about 1.2e-7 radians.
constexpr float kParallel = 1.1920929e-7f;

// Duplicates of one crossing lie within this fraction of the element's length scale at
// first; the merge widens it tenfold while more than two points remain.
constexpr double kFirstMergeTolerance = 1e-5;

// Rounding allowance of the box rejections, relative to the coordinates involved: the exact
// tests accept points within a few float roundings of a face, far inside this.
constexpr float kBoxPadding = 1e-5f;

constexpr const char* kSurfaceSets[2] = {"TRI", "QUAD"};

internal::error missingFaceSet(const char* p_method, const char* p_set, const Geometry& p_geometry)
{
    return internal::error(
        "Geometry", p_method,
        SystemMsg("Cannot get face set %1 from geometry %2.").arg(p_set).arg(p_geometry.getBaseName()));
}

// Solves r = u x + w y in two coordinates, x = (p_a, p_b), y = (p_c, p_e), r = (p_r1, p_r2),
// eliminating along the first coordinate; the elimination both tests share. w must lie in
// [0, 1] whenever it comes from a division.
template <class T> bool solvePair(T p_a, T p_b, T p_c, T p_e, T p_r1, T p_r2, T& p_u, T& p_w)
{
    if (p_a != T(0)) {
        const T denominator = p_e * p_a - p_c * p_b;
        if (denominator == T(0))
            return false;
        p_w = (p_r2 * p_a - p_r1 * p_b) / denominator;
        if (!(p_w >= T(0) && p_w <= T(1)))
            return false;
        p_u = (p_r1 - p_w * p_c) / p_a;
        return true;
    }
    if (p_c != T(0)) {
        p_w = p_r1 / p_c;
        if (!(p_w >= T(0) && p_w <= T(1)))
            return false;
    } else {
        p_w = T(1);
        if (p_r1 != T(0))
            return false;
    }
    if (p_b == T(0))
        return false;
    p_u = (p_r2 - p_w * p_e) / p_b;
    return true;
}

template <class T> bool insideTriangle(T p_u, T p_w)
{
    return p_u >= T(0) && p_u <= T(1) && p_u + p_w <= T(1);
}

// The box [p_lo, p_hi] grown by p_pad against the whole line p_point + t p_direction.
bool lineMeetsBox(const Triplet& p_lo, const Triplet& p_hi, const Triplet& p_point,
                  const Triplet& p_direction, float p_pad)
{
    float enter = -std::numeric_limits<float>::infinity();
    float leave = std::numeric_limits<float>::infinity();
    for (int c = 0; c < 3; ++c) {
        const float lo = p_lo[c] - p_pad;
        const float hi = p_hi[c] + p_pad;
        if (p_direction[c] == 0.0f) {
            if (p_point[c] < lo || p_point[c] > hi)
                return false;
            continue;
        }
        float t1 = (lo - p_point[c]) / p_direction[c];
        float t2 = (hi - p_point[c]) / p_direction[c];
        if (t1 > t2)
            std::swap(t1, t2);
        enter = std::max(enter, t1);
        leave = std::min(leave, t2);
    }
    return enter <= leave;
}

float largestMagnitude(const Triplet& p_v)
{
    return std::max(std::fabs(p_v[0]), std::max(std::fabs(p_v[1]), std::fabs(p_v[2])));
}

// Cheap rejection of an element the line cannot meet: its vertex box, padded for rounding.
// An undefined corner makes the box (and the padding) huge, so such an element is kept.
bool lineMayMeetShape(const Shape& p_shape, const TripletZEVVector& p_vertices, const Triplet& p_point,
                      const Triplet& p_direction)
{
    const int n = p_shape.getNumVertices();
    if (n <= 0)
        return false;
    Triplet lo = p_vertices[static_cast<std::size_t>(p_shape[0])];
    Triplet hi = lo;
    for (int i = 1; i < n; ++i) {
        const Triplet& v = p_vertices[static_cast<std::size_t>(p_shape[i])];
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], v[c]);
            hi[c] = std::max(hi[c], v[c]);
        }
    }
    const float scale = std::max(largestMagnitude(lo), largestMagnitude(hi)) + largestMagnitude(p_point);
    return lineMeetsBox(lo, hi, p_point, p_direction, kBoxPadding * scale);
}

// The t of every element face the whole line meets (one per face: its first fan triangle
// hit), in face order.
void elementFaceHits(const Shape& p_element, const Triplet& p_point, const Triplet& p_direction,
                     const TripletZEVVector& p_vertices, std::vector<float>& p_ts)
{
    p_ts.clear();
    const int faces = p_element.getNumFaces();
    for (int f = 0; f < faces; ++f) {
        int n = 0;
        const int* slots = nullptr;
        const int* row = p_element.getVerticesForFace(f, n, &slots);
        for (int k = 1; k + 1 < n; ++k) {
            float t = 0.0f;
            if (LineQueries::intersectsTriangle(
                    p_point, p_direction, p_vertices[static_cast<std::size_t>(slots[row[0]])],
                    p_vertices[static_cast<std::size_t>(slots[row[k]])],
                    p_vertices[static_cast<std::size_t>(slots[row[k + 1]])], t, false, true)) {
                p_ts.push_back(t);
                break;
            }
        }
    }
}

// Clips the line against the planes of the element's faces, each facing away from the
// element's vertex mean: the stretch inside a convex cell. The triangle tests can miss a line
// that passes exactly through corners or along edges (each neighbouring triangle rejects the
// hit on its boundary); the planes do not. False when the line misses the cell.
bool clipToFacePlanes(const Shape& p_element, const Triplet& p_point, const Triplet& p_direction,
                      const TripletZEVVector& p_vertices, double& p_from, double& p_to)
{
    const int corners = p_element.getNumVertices();
    const int faces = p_element.getNumFaces();
    if (corners <= 0 || faces <= 0)
        return false;
    double centre[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < corners; ++i)
        for (int c = 0; c < 3; ++c)
            centre[c] += p_vertices[static_cast<std::size_t>(p_element[i])][c];
    for (double& c : centre)
        c /= corners;
    double from = -std::numeric_limits<double>::infinity();
    double to = std::numeric_limits<double>::infinity();
    for (int f = 0; f < faces; ++f) {
        int n = 0;
        const int* slots = nullptr;
        const int* row = p_element.getVerticesForFace(f, n, &slots);
        if (n < 3)
            continue;
        // Newell's normal and the mean of the face's corners.
        double normal[3] = {0.0, 0.0, 0.0};
        double mean[3] = {0.0, 0.0, 0.0};
        for (int k = 0; k < n; ++k) {
            const Triplet& a = p_vertices[static_cast<std::size_t>(slots[row[k]])];
            const Triplet& b = p_vertices[static_cast<std::size_t>(slots[row[(k + 1) % n]])];
            normal[0] += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
            normal[1] += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
            normal[2] += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
            for (int c = 0; c < 3; ++c)
                mean[c] += a[c];
        }
        for (double& c : mean)
            c /= n;
        double outward = 0.0;
        for (int c = 0; c < 3; ++c)
            outward += normal[c] * (mean[c] - centre[c]);
        if (outward == 0.0)
            continue;
        const double sign = outward > 0.0 ? 1.0 : -1.0;
        double denominator = 0.0;
        double numerator = 0.0;
        for (int c = 0; c < 3; ++c) {
            denominator += sign * normal[c] * p_direction[c];
            numerator += sign * normal[c] * (mean[c] - p_point[c]);
        }
        if (denominator == 0.0) {
            if (numerator < 0.0)
                return false;
            continue;
        }
        const double t = numerator / denominator;
        if (denominator < 0.0)
            from = std::max(from, t);
        else
            to = std::min(to, t);
    }
    if (!(from <= to) || !std::isfinite(from) || !std::isfinite(to))
        return false;
    p_from = from;
    p_to = to;
    return true;
}

double distance(const Triplet& p_a, const Triplet& p_b)
{
    const double dx = static_cast<double>(p_a[0]) - p_b[0];
    const double dy = static_cast<double>(p_a[1]) - p_b[1];
    const double dz = static_cast<double>(p_a[2]) - p_b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Removes the points lying within tau * p_scale of an earlier kept point, starting at
// tau = 1e-5 and widening tenfold (up to 1) while three or more points remain. Two points
// get the first pass too, so two hits of one crossing (a line through an edge meets both
// faces there) do not make a segment of length zero.
void mergeNearPoints(std::vector<Triplet>& p_points, double p_scale)
{
    double tau = kFirstMergeTolerance;
    while (p_points.size() >= 2) {
        const double tolerance = tau * p_scale;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < p_points.size(); ++i) {
            bool duplicate = false;
            for (std::size_t j = 0; j < kept && !duplicate; ++j)
                duplicate = distance(p_points[i], p_points[j]) <= tolerance;
            if (!duplicate)
                p_points[kept++] = p_points[i];
        }
        p_points.resize(kept);
        if (p_points.size() < 3 || tau >= 1.0)
            break;
        tau *= 10.0;
    }
}

int mergeAndAppend(const Shape& p_element, const Triplet& p_point, const Triplet& p_direction,
                   const TripletZEVVector& p_vertices, const std::vector<float>& p_ts,
                   std::vector<Triplet>& p_points, TripletZEVVector& p_outVertices, IntZEVVector& p_outLines,
                   std::map<int, double>& p_lengthScales)
{
    p_points.clear();
    for (float t : p_ts)
        p_points.push_back(p_point + t * p_direction);
    if (p_points.empty())
        return 0;
    const double scale = p_element.lengthScale(p_vertices);
    mergeNearPoints(p_points, scale);
    if (p_points.size() == 2) {
        const int k = static_cast<int>(p_outVertices.size());
        p_outVertices.push_back(p_points[0]);
        p_outVertices.push_back(p_points[1]);
        p_lengthScales.insert({k, scale});
        p_lengthScales.insert({k + 1, scale});
        p_outLines.push_back(k);
        p_outLines.push_back(k + 1);
    }
    return static_cast<int>(p_points.size());
}

// Vertex ids of a shape in slot order, into a reused buffer.
const int* shapeIds(const Shape& p_shape, std::vector<int>& p_buffer)
{
    const int n = p_shape.getNumVertices();
    p_buffer.resize(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        p_buffer[static_cast<std::size_t>(i)] = p_shape[i];
    return p_buffer.data();
}

// The search index for the "TRI" and "QUAD" sets, when one is worth using: a geometry asked
// once scans (building costs several scans); from the second query on it keeps an index,
// rebuilt when the sets or the vertex array it was built from are replaced.
const FaceLineTree* usableTree(std::shared_ptr<FaceLineTree>* p_slot,
                               const std::vector<const ShapeSet*>& p_sets, const TripletZEVVector& p_vertices)
{
    if (p_slot == nullptr)
        return nullptr;
    std::shared_ptr<FaceLineTree>& tree = *p_slot;
    if (!tree)
        tree = std::make_shared<FaceLineTree>();
    if (tree->isBuilt() && tree->matches(p_sets, p_vertices))
        return tree.get();
    if (!tree->isBuilt() && tree->countQuery() < 2)
        return nullptr;
    return tree->build(p_sets, p_vertices) ? tree.get() : nullptr;
}

} // namespace

Triplet LineQueries::normalised(const Triplet& p_v)
{
    for (int c = 0; c < 3; ++c)
        if (p_v[c] == ZEV_UNDEF)
            return p_v / ZEV_UNDEF;
    const float length = p_v.length();
    return length == 0.0f ? p_v : p_v / length;
}

bool LineQueries::intersectsTriangle(const Triplet& p_point, const Triplet& p_direction, const Triplet& p_p0,
                                     const Triplet& p_p1, const Triplet& p_p2, float& p_t, bool p_nearerOnly,
                                     bool p_forwardOnly)
{
    const Triplet e1 = p_p1 - p_p0;
    const Triplet e2 = p_p2 - p_p0;
    const Triplet n = normalised(e1.cross(e2));
    const float dn = p_direction.dot(n);
    if (!(std::fabs(dn) >= kParallel))
        return false;
    const float t = (p_p0.dot(n) - p_point.dot(n)) / dn;
    if (t < 0.0f && p_nearerOnly && p_forwardOnly)
        return false;
    const Triplet q = p_point + t * p_direction;

    // Solve in the coordinate plane the triangle's projection is largest in.
    const float nx = std::fabs(n[0]);
    const float ny = std::fabs(n[1]);
    const float nz = std::fabs(n[2]);
    int i1 = 0;
    int i2 = 1;
    if (nx > ny && nx > nz) {
        i1 = 1;
        i2 = 2;
    } else if (ny > nz) {
        i2 = 2;
    }
    float u = 0.0f;
    float w = 0.0f;
    if (!solvePair(e1[i1], e1[i2], e2[i1], e2[i2], q[i1] - p_p0[i1], q[i2] - p_p0[i2], u, w) ||
        !insideTriangle(u, w))
        return false;
    if (p_nearerOnly && !(t < p_t))
        return false;
    p_t = t;
    return true;
}

bool LineQueries::intersectsTriangleWithCircle(const Triplet& p_centre, const Triplet& p_axis,
                                               double p_radius, const Triplet& p_p0, const Triplet& p_p1,
                                               const Triplet& p_p2, Triplet& p_hit)
{
    if (p_radius == 0.0)
        return false;
    const Triplet axis = normalised(p_axis);
    const Triplet* corners[3] = {&p_p0, &p_p1, &p_p2};
    double h[3];
    double rho[3];
    for (int i = 0; i < 3; ++i) {
        double r[3];
        for (int c = 0; c < 3; ++c)
            r[c] = static_cast<double>((*corners[i])[c]) - p_centre[c];
        h[i] = r[0] * axis[0] + r[1] * axis[1] + r[2] * axis[2];
        double radial = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double perpendicular = r[c] - h[i] * axis[c];
            radial += perpendicular * perpendicular;
        }
        rho[i] = std::sqrt(radial);
    }
    if ((h[0] > 0 && h[1] > 0 && h[2] > 0) || (h[0] < 0 && h[1] < 0 && h[2] < 0))
        return false;
    if ((rho[0] > p_radius && rho[1] > p_radius && rho[2] > p_radius) ||
        (rho[0] < p_radius && rho[1] < p_radius && rho[2] < p_radius))
        return false;
    if (p_radius / (rho[0] + rho[1] + rho[2]) < 1e-8)
        return false;

    // Radial distance in the role of the first coordinate, height in the second.
    double u = 0.0;
    double w = 0.0;
    if (!solvePair(rho[1] - rho[0], h[1] - h[0], rho[2] - rho[0], h[2] - h[0], p_radius - rho[0], -h[0], u,
                   w) ||
        !insideTriangle(u, w))
        return false;
    for (int c = 0; c < 3; ++c)
        p_hit[c] = static_cast<float>(p_p0[c] + u * (static_cast<double>(p_p1[c]) - p_p0[c]) +
                                      w * (static_cast<double>(p_p2[c]) - p_p0[c]));
    return true;
}

bool LineQueries::fanIntersectsLine(const int* p_ids, int p_count, const Triplet& p_point,
                                    const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                    float& p_t, bool p_nearerOnly, bool p_forwardOnly)
{
    const Triplet& first = p_vertices[static_cast<std::size_t>(p_ids[0])];
    for (int k = 1; k + 1 < p_count; ++k)
        if (intersectsTriangle(p_point, p_direction, first, p_vertices[static_cast<std::size_t>(p_ids[k])],
                               p_vertices[static_cast<std::size_t>(p_ids[k + 1])], p_t, p_nearerOnly,
                               p_forwardOnly))
            return true;
    return false;
}

bool LineQueries::fanIntersectsCircle(const int* p_ids, int p_count, const Triplet& p_centre,
                                      const Triplet& p_axis, double p_radius,
                                      const TripletZEVVector& p_vertices, Triplet& p_hit)
{
    const Triplet& first = p_vertices[static_cast<std::size_t>(p_ids[0])];
    for (int k = 1; k + 1 < p_count; ++k)
        if (intersectsTriangleWithCircle(p_centre, p_axis, p_radius, first,
                                         p_vertices[static_cast<std::size_t>(p_ids[k])],
                                         p_vertices[static_cast<std::size_t>(p_ids[k + 1])], p_hit))
            return true;
    return false;
}

int LineQueries::intersectsBoundaryFaces(const Shape& p_element, const std::vector<int>& p_faces,
                                         const Triplet& p_point, const Triplet& p_direction,
                                         const TripletZEVVector& p_vertices, float& p_t)
{
    for (int face : p_faces) {
        int n = 0;
        const int* slots = nullptr;
        const int* row = p_element.getVerticesForFace(face, n, &slots);
        for (int k = 1; k + 1 < n; ++k)
            if (intersectsTriangle(p_point, p_direction, p_vertices[static_cast<std::size_t>(slots[row[0]])],
                                   p_vertices[static_cast<std::size_t>(slots[row[k]])],
                                   p_vertices[static_cast<std::size_t>(slots[row[k + 1]])], p_t, true, true))
                return face;
    }
    return -1;
}

int LineQueries::intersectFacesWithLine(const Shape& p_element, const Triplet& p_point,
                                        const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                        TripletZEVVector& p_outVertices, IntZEVVector& p_outLines,
                                        std::map<int, double>& p_lengthScales)
{
    std::vector<float> ts;
    std::vector<Triplet> points;
    elementFaceHits(p_element, p_point, p_direction, p_vertices, ts);
    return mergeAndAppend(p_element, p_point, p_direction, p_vertices, ts, points, p_outVertices, p_outLines,
                          p_lengthScales);
}

void LineQueries::intersectLineWithGeometry(Geometry& p_target, const Geometry* p_domain,
                                            const Triplet& p_point, const Triplet& p_direction,
                                            std::map<int, double>& p_lengthScales)
{
    if (p_domain == nullptr)
        return;
    const Triplet direction = normalised(p_direction);
    // Appending to the array being read would move it under the loop: a geometry drawing
    // the line through its own elements reads a copy of its vertices.
    TripletZEVVector ownCopy;
    if (p_domain == &p_target)
        ownCopy = p_domain->getVertices();
    const TripletZEVVector& vertices = p_domain == &p_target ? ownCopy : p_domain->getVertices();

    std::vector<float> ts;
    std::vector<Triplet> points;
    ts.reserve(8);
    points.reserve(8);
    const int setCount = p_domain->getNumElementSets();
    for (int s = 0; s < setCount; ++s) {
        const ShapeSet* set = p_domain->getElementSet(s);
        if (set == nullptr)
            continue;
        for (std::size_t e = 0; e < set->size(); ++e) {
            const Shape& element = (*set)[e];
            if (!lineMayMeetShape(element, vertices, p_point, direction))
                continue;
            elementFaceHits(element, p_point, direction, vertices, ts);
            mergeAndAppend(element, p_point, direction, vertices, ts, points, p_target.getVertices(),
                           p_target.getLines(), p_lengthScales);
        }
    }
}

int LineQueries::intersectLineWithFaceSet(const ShapeSet& p_set, const Triplet& p_point,
                                          const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                          float& p_t, bool p_nearerOnly)
{
    for (std::size_t i = 0; i < p_set.size(); ++i)
        if (p_set[i].intersectsWithLine(p_point, p_direction, p_vertices, p_t, p_nearerOnly))
            return static_cast<int>(i);
    return -1;
}

int LineQueries::intersectCircleWithFaceSet(const ShapeSet& p_set, const Triplet& p_centre,
                                            const Triplet& p_axis, double p_radius,
                                            const TripletZEVVector& p_vertices, Triplet& p_hit)
{
    for (std::size_t i = 0; i < p_set.size(); ++i)
        if (p_set[i].intersectsWithCircle(p_centre, p_axis, p_radius, p_vertices, p_hit))
            return static_cast<int>(i);
    return -1;
}

bool LineQueries::intersectFacesWithLine(const Geometry& p_surface, const Triplet& p_point,
                                         const Triplet& p_direction, Triplet& p_displacement,
                                         std::shared_ptr<FaceLineTree>* p_tree)
{
    static const char* const kMethod = "intersectFacesWithLine";
    const Triplet direction = normalised(p_direction);
    const TripletZEVVector& vertices = p_surface.getVertices();
    const ShapeSet* sets[2] = {p_surface.getFaceSet(kSurfaceSets[0]), nullptr};
    if (sets[0] == nullptr)
        throw missingFaceSet(kMethod, kSurfaceSets[0], p_surface);
    sets[1] = p_surface.getFaceSet(kSurfaceSets[1]);

    if (const FaceLineTree* tree = usableTree(p_tree, {sets[0], sets[1]}, vertices)) {
        int set = -1;
        int face = -1;
        float t = 0.0f;
        const bool hit = tree->firstLineHit(p_point, direction, set, face, t);
        if (hit && set == 0) {
            p_displacement = t * direction;
            return true;
        }
        if (sets[1] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[1], p_surface);
        if (hit)
            p_displacement = t * direction;
        return hit;
    }

    for (int s = 0; s < 2; ++s) {
        if (sets[s] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[s], p_surface);
        float t = 0.0f;
        if (intersectLineWithFaceSet(*sets[s], p_point, direction, vertices, t, false) >= 0) {
            p_displacement = t * direction;
            return true;
        }
    }
    return false;
}

bool LineQueries::intersectFacesWithCircle(const Geometry& p_surface, const Triplet& p_point,
                                           const Triplet& p_axisStart, const Triplet& p_axisEnd,
                                           double& p_angle, std::shared_ptr<FaceLineTree>* p_tree)
{
    static const char* const kMethod = "intersectFacesWithCircle";
    if (p_axisStart == p_axisEnd)
        throw internal::error("Geometry", kMethod, SystemMsg("Rotation Axis is not properly defined"));
    const Triplet axis = normalised(p_axisEnd - p_axisStart);
    const Triplet centre = p_axisStart + axis * (p_point - p_axisStart).dot(axis);
    const Triplet offset = p_point - centre;
    const double radius =
        std::sqrt(static_cast<double>(offset[0]) * offset[0] + static_cast<double>(offset[1]) * offset[1] +
                  static_cast<double>(offset[2]) * offset[2]);

    const TripletZEVVector& vertices = p_surface.getVertices();
    const ShapeSet* sets[2] = {p_surface.getFaceSet(kSurfaceSets[0]), nullptr};
    if (sets[0] == nullptr)
        throw missingFaceSet(kMethod, kSurfaceSets[0], p_surface);
    sets[1] = p_surface.getFaceSet(kSurfaceSets[1]);

    Triplet hitPoint;
    bool hit = false;
    if (const FaceLineTree* tree = usableTree(p_tree, {sets[0], sets[1]}, vertices)) {
        int set = -1;
        int face = -1;
        hit = tree->firstCircleHit(centre, axis, radius, set, face, hitPoint);
        if (!(hit && set == 0) && sets[1] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[1], p_surface);
    } else {
        for (int s = 0; s < 2 && !hit; ++s) {
            if (sets[s] == nullptr)
                throw missingFaceSet(kMethod, kSurfaceSets[s], p_surface);
            hit = intersectCircleWithFaceSet(*sets[s], centre, axis, radius, vertices, hitPoint) >= 0;
        }
    }
    if (!hit)
        return false;

    // Both directions from the centre as unit vectors in double precision, so that a point
    // already on the surface comes out at an angle of 0 rather than a rounding's arc cosine.
    double u[3];
    double w[3];
    double uLength = 0.0;
    double wLength = 0.0;
    for (int c = 0; c < 3; ++c) {
        u[c] = static_cast<double>(p_point[c]) - centre[c];
        w[c] = static_cast<double>(hitPoint[c]) - centre[c];
        uLength += u[c] * u[c];
        wLength += w[c] * w[c];
    }
    uLength = std::sqrt(uLength);
    wLength = std::sqrt(wLength);
    for (int c = 0; c < 3; ++c) {
        u[c] = uLength == 0.0 ? u[c] : u[c] / uLength;
        w[c] = wLength == 0.0 ? w[c] : w[c] / wLength;
    }
    const double cosine = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
    const double pi = std::acos(-1.0);
    p_angle = cosine > 1.0 ? 0.0 : cosine < -1.0 ? pi : std::acos(cosine);
    const double turn = (u[1] * w[2] - u[2] * w[1]) * axis[0] + (u[2] * w[0] - u[0] * w[2]) * axis[1] +
                        (u[0] * w[1] - u[1] * w[0]) * axis[2];
    if (turn < 0.0)
        p_angle = -p_angle;
    return true;
}

std::vector<LineFaceHit> LineQueries::faceHitsAlongLine(const Geometry& p_surface, const Triplet& p_point,
                                                        const Triplet& p_direction)
{
    struct Crossing {
        LineFaceHit hit;
        std::size_t order;
        double scale;
    };
    const Triplet direction = normalised(p_direction);
    const TripletZEVVector& vertices = p_surface.getVertices();
    std::vector<Crossing> crossings;
    std::vector<int> ids;
    std::size_t order = 0;
    for (const std::string& name : p_surface.getFaceSetNames()) {
        const ShapeSet* set = p_surface.getFaceSet(name);
        if (set == nullptr)
            continue;
        for (std::size_t i = 0; i < set->size(); ++i, ++order) {
            const Shape& face = (*set)[i];
            if (face.getNumVertices() < 3 || !lineMayMeetShape(face, vertices, p_point, direction))
                continue;
            float t = 0.0f;
            if (fanIntersectsLine(shapeIds(face, ids), face.getNumVertices(), p_point, direction, vertices, t,
                                  false, true))
                crossings.push_back({{name, static_cast<int>(i), t, p_point + t * direction},
                                     order,
                                     face.lengthScale(vertices)});
        }
    }
    std::stable_sort(crossings.begin(), crossings.end(),
                     [](const Crossing& p_a, const Crossing& p_b) { return p_a.hit.t < p_b.hit.t; });

    // One crossing per cluster of hits along the line, for the face first in order.
    std::vector<LineFaceHit> hits;
    for (std::size_t i = 0; i < crossings.size();) {
        std::size_t best = i;
        std::size_t j = i + 1;
        while (j < crossings.size() &&
               static_cast<double>(crossings[j].hit.t) - crossings[i].hit.t <=
                   kFirstMergeTolerance * std::max(crossings[i].scale, crossings[j].scale)) {
            if (crossings[j].order < crossings[best].order)
                best = j;
            ++j;
        }
        hits.push_back(crossings[best].hit);
        i = j;
    }
    return hits;
}

std::vector<std::pair<double, double>>
LineQueries::insideStretches(const Geometry& p_domain, const Triplet& p_point, const Triplet& p_direction)
{
    struct Stretch {
        double from;
        double to;
        double tolerance;
    };
    const Triplet direction = normalised(p_direction);
    const TripletZEVVector& vertices = p_domain.getVertices();
    std::vector<Stretch> stretches;
    std::vector<float> ts;
    const int setCount = p_domain.getNumElementSets();
    for (int s = 0; s < setCount; ++s) {
        const ShapeSet* set = p_domain.getElementSet(s);
        if (set == nullptr)
            continue;
        for (std::size_t e = 0; e < set->size(); ++e) {
            const Shape& element = (*set)[e];
            if (!lineMayMeetShape(element, vertices, p_point, direction))
                continue;
            elementFaceHits(element, p_point, direction, vertices, ts);
            const double tolerance = kFirstMergeTolerance * element.lengthScale(vertices);
            if (ts.size() >= 2) {
                const auto range = std::minmax_element(ts.begin(), ts.end());
                if (static_cast<double>(*range.second) - *range.first > tolerance) {
                    stretches.push_back({*range.first, *range.second, tolerance});
                    continue;
                }
            }
            // Fewer than two distinct crossings: the line may run through corners or edges
            // that every face triangle rejects.
            double from = 0.0;
            double to = 0.0;
            if (clipToFacePlanes(element, p_point, direction, vertices, from, to) && to - from > tolerance)
                stretches.push_back({from, to, tolerance});
        }
    }
    std::sort(stretches.begin(), stretches.end(),
              [](const Stretch& p_a, const Stretch& p_b) { return p_a.from < p_b.from; });

    std::vector<std::pair<double, double>> joined;
    double tolerance = 0.0;
    for (const Stretch& stretch : stretches) {
        if (!joined.empty() &&
            stretch.from <= joined.back().second + std::max(tolerance, stretch.tolerance)) {
            joined.back().second = std::max(joined.back().second, stretch.to);
            tolerance = std::max(tolerance, stretch.tolerance);
        } else {
            joined.push_back({stretch.from, stretch.to});
            tolerance = stretch.tolerance;
        }
    }
    return joined;
}

} // namespace zev
