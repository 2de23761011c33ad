#pragma once
// Internal helpers of the element weights: the Newton iteration that inverts an element's
// isoparametric map, shared by the pyramid, wedge and hexahedron. Not part of the public
// interface.

#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace zev {
namespace parametric {

// Shape-function values and their derivatives at one parametric point: double precision for
// the solve, single precision for the weights.
template <int N, class T = double> struct Basis {
    T w[N];
    T ds[N];
    T dt[N];
    T du[N];
};

// Positions of the element's corners, read once per solve.
template <int N>
void gatherCorners(const int* p_slots, const TripletZEVVector& p_vertices, Triplet (&p_out)[N])
{
    for (int i = 0; i < N; ++i)
        p_out[i] = p_vertices[static_cast<std::size_t>(p_slots[i])];
}

inline double det3(const double p_a[3], const double p_b[3], const double p_c[3])
{
    return p_a[0] * (p_b[1] * p_c[2] - p_b[2] * p_c[1]) - p_a[1] * (p_b[0] * p_c[2] - p_b[2] * p_c[0]) +
           p_a[2] * (p_b[0] * p_c[1] - p_b[1] * p_c[0]);
}

// Finds (s, t, u) with X(s, t, u) = p for the map X = sum of basis weights times corners,
// starting from 0.1 in each coordinate. Converged when the residual is within a ten
// thousandth of the element's largest bounding-box side in every component, or when a step
// moves every coordinate by less than 0.0001. A vanishing Jacobian or more than 100 steps
// fail, leaving s = t = u = 0.5 (the centre) and answering false.
template <int N, class Evaluate>
bool solveNewton(const Triplet (&p_corners)[N], float p_x, float p_y, float p_z, float& p_s, float& p_t,
                 float& p_u, Evaluate p_evaluate)
{
    double lo[3] = {p_corners[0][0], p_corners[0][1], p_corners[0][2]};
    double hi[3] = {lo[0], lo[1], lo[2]};
    for (int i = 1; i < N; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], static_cast<double>(p_corners[i][c]));
            hi[c] = std::max(hi[c], static_cast<double>(p_corners[i][c]));
        }
    const double largestSide = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    const double tolerance = 0.0001 * largestSide;
    const double point[3] = {p_x, p_y, p_z};

    float s = 0.1f;
    float t = 0.1f;
    float u = 0.1f;
    Basis<N> basis;
    for (int step = 1;; ++step) {
        p_evaluate(static_cast<double>(s), static_cast<double>(t), static_cast<double>(u), basis);
        double residual[3] = {point[0], point[1], point[2]};
        double js[3] = {0.0, 0.0, 0.0};
        double jt[3] = {0.0, 0.0, 0.0};
        double ju[3] = {0.0, 0.0, 0.0};
        for (int i = 0; i < N; ++i)
            for (int c = 0; c < 3; ++c) {
                const double x = p_corners[i][c];
                residual[c] -= basis.w[i] * x;
                js[c] += basis.ds[i] * x;
                jt[c] += basis.dt[i] * x;
                ju[c] += basis.du[i] * x;
            }
        if (std::fabs(residual[0]) < tolerance && std::fabs(residual[1]) < tolerance &&
            std::fabs(residual[2]) < tolerance) {
            p_s = s;
            p_t = t;
            p_u = u;
            return true;
        }
        const double det = det3(js, jt, ju);
        if (!(std::fabs(det) >= 1e-20))
            break;
        const double ds = det3(residual, jt, ju) / det;
        const double dt = det3(js, residual, ju) / det;
        const double du = det3(js, jt, residual) / det;
        s = static_cast<float>(s + ds);
        t = static_cast<float>(t + dt);
        u = static_cast<float>(u + du);
        if (std::fabs(ds) < 0.0001 && std::fabs(dt) < 0.0001 && std::fabs(du) < 0.0001) {
            p_s = s;
            p_t = t;
            p_u = u;
            return true;
        }
        if (step > 100)
            break;
    }
    p_s = 0.5f;
    p_t = 0.5f;
    p_u = 0.5f;
    return false;
}

// solveNewton on the corners of the element whose vertex indices are p_slots.
template <int N, class Evaluate>
bool solveNewton(const int (&p_slots)[N], const TripletZEVVector& p_vertices, float p_x, float p_y, float p_z,
                 float& p_s, float& p_t, float& p_u, Evaluate p_evaluate)
{
    Triplet corners[N];
    gatherCorners(p_slots, p_vertices, corners);
    return solveNewton(corners, p_x, p_y, p_z, p_s, p_t, p_u, p_evaluate);
}

// The weights at (s, t, u): the shape functions of p_evaluate in single precision, into the
// first N entries of p_weights.
template <int N, class Evaluate>
void shapeWeights(float p_s, float p_t, float p_u, Evaluate p_evaluate, std::vector<float>& p_weights)
{
    Basis<N, float> basis;
    p_evaluate(p_s, p_t, p_u, basis);
    std::copy(basis.w, basis.w + N, p_weights.begin());
}

} // namespace parametric
} // namespace zev
