#include "zev/search/LineQueries.h"

#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace zev {

namespace {

// Duplicates of one crossing lie within this fraction of the element's length scale at
// first; the merge widens it tenfold while more than two points remain.
constexpr double kFirstMergeTolerance = 1e-5;

// The single-precision roundings of a coordinate that the double-precision line tests allow for
// the corners being where the mesh says, relative to the largest coordinate of a shape.
constexpr double kRoundingUnits = 8.0;

// Rounding allowance of the box rejections, relative to the coordinates involved: the exact
// tests accept points within a few float roundings of a face, far inside this.
constexpr float kBoxPadding = 1e-5f;

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
// element's vertex mean: the stretch inside a convex cell (and near enough inside a warped
// one). The triangle tests can miss a line that passes exactly through corners or along edges
// (each neighbouring triangle rejects the hit on its boundary); the planes do not, and two
// cells clip by one plane at their shared face. False when the line misses the cell.
bool clipToFacePlanes(const Shape& p_element, const LinePoint& p_point, const LinePoint& p_direction,
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
    // Each face's plane is moved out by the rounding of the corners' coordinates, so that a line
    // along a face or an edge (in the plane to within that rounding) counts as inside.
    double magnitude = 0.0;
    for (int i = 0; i < corners; ++i)
        magnitude = std::max(magnitude, static_cast<double>(largestMagnitude(
                                            p_vertices[static_cast<std::size_t>(p_element[i])])));
    const double rounding = kRoundingUnits * FLT_EPSILON * magnitude;
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
        const double normalLength =
            std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        double denominator = 0.0;
        double numerator = rounding * normalLength;
        for (int c = 0; c < 3; ++c) {
            denominator += sign * normal[c] * p_direction[c];
            numerator += sign * normal[c] * (mean[c] - p_point[c]);
        }
        if (std::fabs(denominator) <= 1e-12 * normalLength) {
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

LinePoint toLinePoint(const Triplet& p_t)
{
    return {p_t[0], p_t[1], p_t[2]};
}

Triplet toTriplet(const LinePoint& p_p)
{
    return Triplet(static_cast<float>(p_p[0]), static_cast<float>(p_p[1]), static_cast<float>(p_p[2]));
}

// How far outside a fan triangle, in its barycentric coordinates, a crossing still counts as on it
// at least: enough to close the rounding gaps between neighbouring triangles at a shared edge or
// vertex.
constexpr double kTriangleSlack = 1e-6;

// The whole line t p_direction (from the origin: the triangle's corners are given relative to the
// line's point) against the triangle (p_a, p_b, p_c) in double precision. False for a line
// parallel to the triangle's plane, within the angle the single-precision test allows.
bool lineMeetsTriangle(const LinePoint& p_direction, const LinePoint& p_a, const LinePoint& p_b,
                       const LinePoint& p_c, double p_rounding, double& p_t)
{
    const auto sub = [](const LinePoint& p_x, const LinePoint& p_y) {
        return LinePoint{p_x[0] - p_y[0], p_x[1] - p_y[1], p_x[2] - p_y[2]};
    };
    const auto cross = [](const LinePoint& p_x, const LinePoint& p_y) {
        return LinePoint{p_x[1] * p_y[2] - p_x[2] * p_y[1], p_x[2] * p_y[0] - p_x[0] * p_y[2],
                         p_x[0] * p_y[1] - p_x[1] * p_y[0]};
    };
    const auto dot = [](const LinePoint& p_x, const LinePoint& p_y) {
        return p_x[0] * p_y[0] + p_x[1] * p_y[1] + p_x[2] * p_y[2];
    };
    const LinePoint e1 = sub(p_b, p_a);
    const LinePoint e2 = sub(p_c, p_a);
    const LinePoint n = cross(e1, e2);
    const LinePoint pv = cross(p_direction, e2);
    const double det = dot(e1, pv);
    // The corners' rounding, against the triangle's size, tilts its plane and moves its edges: a
    // line within that angle of the plane lies in it, and a crossing within that distance of an
    // edge is on it.
    const double size = std::sqrt(std::max({dot(e1, e1), dot(e2, e2), dot(sub(e2, e1), sub(e2, e1))}));
    const double slack = std::max(kTriangleSlack, p_rounding / size);
    if (!(std::fabs(det) >= std::max(1.1920929e-7, p_rounding / size) * std::sqrt(dot(n, n))))
        return false;
    const LinePoint toOrigin{-p_a[0], -p_a[1], -p_a[2]};
    const double u = dot(toOrigin, pv) / det;
    if (!(u >= -slack && u <= 1.0 + slack))
        return false;
    const LinePoint qv = cross(toOrigin, e1);
    const double v = dot(p_direction, qv) / det;
    if (!(v >= -slack && u + v <= 1.0 + slack))
        return false;
    p_t = dot(e2, qv) / det;
    return std::isfinite(p_t);
}

// The stretches of the whole line inside each cell of p_domain (clipped by its faces' planes),
// sorted by their start, and those that touch or overlap joined. Neighbouring cells clip by the
// same plane at their shared face (its corners' mean and Newell's normal), so their stretches meet
// to a rounding; p_tolerance, a fraction of the cells' length scale, closes that.
std::vector<std::pair<double, double>> cellStretches(const Geometry& p_domain, const LinePoint& p_point,
                                                     const LinePoint& p_direction, double p_tolerance)
{
    struct Stretch {
        double from;
        double to;
        double tolerance;
    };
    const TripletZEVVector& vertices = p_domain.getVertices();
    const Triplet point = toTriplet(p_point);
    const Triplet direction = toTriplet(p_direction);
    std::vector<Stretch> stretches;
    const int setCount = p_domain.getNumElementSets();
    for (int s = 0; s < setCount; ++s) {
        const ShapeSet* set = p_domain.getElementSet(s);
        if (set == nullptr)
            continue;
        for (std::size_t e = 0; e < set->size(); ++e) {
            const Shape& element = (*set)[e];
            double from = 0.0;
            double to = 0.0;
            if (lineMayMeetShape(element, vertices, point, direction) &&
                clipToFacePlanes(element, p_point, p_direction, vertices, from, to) && to > from)
                stretches.push_back({from, to, p_tolerance * element.lengthScale(vertices)});
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

// Calls p_visit(element) for every element of p_domain the line may meet, with the t of each
// element face it meets in p_ts (see elementFaceHits), in set and element order.
template <class Visit>
void forElementsOnLine(const Geometry& p_domain, const TripletZEVVector& p_vertices, const Triplet& p_point,
                       const Triplet& p_direction, std::vector<float>& p_ts, const Visit& p_visit)
{
    const int setCount = p_domain.getNumElementSets();
    for (int s = 0; s < setCount; ++s) {
        const ShapeSet* set = p_domain.getElementSet(s);
        if (set == nullptr)
            continue;
        for (std::size_t e = 0; e < set->size(); ++e) {
            const Shape& element = (*set)[e];
            if (!lineMayMeetShape(element, p_vertices, p_point, p_direction))
                continue;
            elementFaceHits(element, p_point, p_direction, p_vertices, p_ts);
            p_visit(element);
        }
    }
}

} // namespace

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
    forElementsOnLine(*p_domain, vertices, p_point, direction, ts, [&](const Shape& p_element) {
        mergeAndAppend(p_element, p_point, direction, vertices, ts, points, p_target.getVertices(),
                       p_target.getLines(), p_lengthScales);
    });
}

std::vector<LineFaceHit> LineQueries::faceHitsAlongLine(const Geometry& p_surface, const Triplet& p_point,
                                                        const Triplet& p_direction)
{
    const Triplet direction = normalised(p_direction);
    return faceHitsAlongLine(p_surface, toLinePoint(p_point), toLinePoint(direction));
}

std::vector<LineFaceHit> LineQueries::faceHitsAlongLine(const Geometry& p_surface, const LinePoint& p_point,
                                                        const LinePoint& p_direction)
{
    struct Crossing {
        LineFaceHit hit;
        std::size_t order;
        double scale;
    };
    const double length = std::sqrt(p_direction[0] * p_direction[0] + p_direction[1] * p_direction[1] +
                                    p_direction[2] * p_direction[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return {};
    const LinePoint direction{p_direction[0] / length, p_direction[1] / length, p_direction[2] / length};
    const Triplet point = toTriplet(p_point);
    const Triplet floatDirection = toTriplet(direction);
    const TripletZEVVector& vertices = p_surface.getVertices();
    // A corner relative to the line's point, so that the tests keep the digits of small faces far out.
    const auto corner = [&](int p_id) {
        const Triplet& v = vertices[static_cast<std::size_t>(p_id)];
        return LinePoint{v[0] - p_point[0], v[1] - p_point[1], v[2] - p_point[2]};
    };
    std::vector<Crossing> crossings;
    std::size_t order = 0;
    for (const std::string& name : p_surface.getFaceSetNames()) {
        const ShapeSet* set = p_surface.getFaceSet(name);
        if (set == nullptr)
            continue;
        for (std::size_t i = 0; i < set->size(); ++i, ++order) {
            const Shape& face = (*set)[i];
            const int n = face.getNumVertices();
            if (n < 3 || !lineMayMeetShape(face, vertices, point, floatDirection))
                continue;
            float magnitude = 0.0f;
            for (int k = 0; k < n; ++k)
                magnitude =
                    std::max(magnitude, largestMagnitude(vertices[static_cast<std::size_t>(face[k])]));
            const double rounding = kRoundingUnits * FLT_EPSILON * magnitude;
            const LinePoint first = corner(face[0]);
            for (int k = 1; k + 1 < n; ++k) {
                double t = 0.0;
                if (lineMeetsTriangle(direction, first, corner(face[k]), corner(face[k + 1]), rounding, t)) {
                    const Triplet at(static_cast<float>(p_point[0] + t * direction[0]),
                                     static_cast<float>(p_point[1] + t * direction[1]),
                                     static_cast<float>(p_point[2] + t * direction[2]));
                    crossings.push_back({{name, static_cast<int>(i), static_cast<float>(t), at, t},
                                         order,
                                         face.lengthScale(vertices)});
                    break;
                }
            }
        }
    }
    std::stable_sort(crossings.begin(), crossings.end(), [](const Crossing& p_a, const Crossing& p_b) {
        return p_a.hit.exactT < p_b.hit.exactT;
    });

    // One crossing per cluster of hits along the line, for the face first in order.
    std::vector<LineFaceHit> hits;
    for (std::size_t i = 0; i < crossings.size();) {
        std::size_t best = i;
        std::size_t j = i + 1;
        while (j < crossings.size() &&
               crossings[j].hit.exactT - crossings[i].hit.exactT <=
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
    return cellStretches(p_domain, toLinePoint(p_point), toLinePoint(normalised(p_direction)),
                         kFirstMergeTolerance);
}

std::vector<std::pair<double, double>>
LineQueries::chordsBetweenCrossings(const Geometry& p_domain, const std::vector<double>& p_crossings,
                                    const LinePoint& p_point, const LinePoint& p_direction)
{
    const std::vector<std::pair<double, double>> cells =
        cellStretches(p_domain, p_point, p_direction, kFirstMergeTolerance);
    if (p_crossings.empty() || cells.empty())
        return cells;
    // The crossings delimit the chords, also where the cells' planes put a warped cell's end a little
    // off the crossing of the boundary faces' triangles (a line grazing a curved wall).
    std::vector<std::pair<double, double>> chords;
    std::size_t c = 0; // the first cell stretch that may overlap the current span
    bool open = false;
    for (std::size_t i = 0; i + 1 < p_crossings.size(); ++i) {
        const double from = p_crossings[i];
        const double to = p_crossings[i + 1];
        while (c < cells.size() && cells[c].second <= from)
            ++c;
        double covered = 0.0;
        for (std::size_t k = c; k < cells.size() && cells[k].first < to; ++k)
            covered += std::min(to, cells[k].second) - std::max(from, cells[k].first);
        const bool inside = to > from && covered > 0.5 * (to - from);
        if (inside && open)
            chords.back().second = to;
        else if (inside)
            chords.push_back({from, to});
        open = inside;
    }
    return chords;
}

} // namespace zev
