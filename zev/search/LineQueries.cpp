#include "zev/search/LineQueries.h"

#include "zev/contracts/Undefined.h"

#include <cmath>

namespace zev {

namespace {

// Below this |d . n| a line counts as lying in the triangle's plane: the single-precision
// epsilon, so for unit vectors an angle of about 1.2e-7 radians.
constexpr float kParallel = 1.1920929e-7f;

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

} // namespace zev
