#include "zev/shapes/Quad.h"

#include "zev/shapes/ShapeMeasures.h"

#include <cmath>

namespace zev {

namespace {

// The vector scaled to unit length; a zero vector is left as it is.
Triplet unit(const Triplet& p_v)
{
    const float length = measures::magnitude(p_v);
    return length == 0.0f ? p_v : p_v / length;
}

} // namespace

Quad::~Quad() = default;

bool Quad::constructBilinearWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                    std::vector<float>& p_weights) const
{
    // A frame in the face's plane: e1 along the first edge, e2 across it.
    const Triplet& p0 = p_vertices[static_cast<std::size_t>(m_vertices[0])];
    const Triplet e1 = unit(p_vertices[static_cast<std::size_t>(m_vertices[1])] - p0);
    const Triplet normal = unit((p_vertices[static_cast<std::size_t>(m_vertices[3])] - p0)
                                    .cross(p_vertices[static_cast<std::size_t>(m_vertices[1])] - p0));
    const Triplet e2 = unit(normal.cross(e1));
    double x[4];
    double y[4];
    for (int k = 0; k < 4; ++k) {
        const Triplet d = p_vertices[static_cast<std::size_t>(m_vertices[k])] - p0;
        x[k] = d.dot(e1);
        y[k] = d.dot(e2);
    }
    const Triplet dp = Triplet(p_x, p_y, p_z) - p0;
    const double px = dp.dot(e1);
    const double py = dp.dot(e2);

    // The bilinear map from the reference square, corners 0..3 at (xi, eta) = (-1, -1),
    // (-1, 1), (1, 1), (1, -1): a + b xi + c eta + d xi eta = 0 in each plane coordinate.
    const double ax = x[0] + x[1] + x[2] + x[3] - 4.0 * px;
    const double bx = -x[0] - x[1] + x[2] + x[3];
    const double cx = -x[0] + x[1] + x[2] - x[3];
    const double dx = x[0] - x[1] + x[2] - x[3];
    const double ay = y[0] + y[1] + y[2] + y[3] - 4.0 * py;
    const double by = -y[0] - y[1] + y[2] + y[3];
    const double cy = -y[0] + y[1] + y[2] - y[3];
    const double dy = y[0] - y[1] + y[2] - y[3];
    const double e = 1.1920928955078125e-7;

    double xi = 0.0;
    double eta = 0.0;
    if (std::fabs(cx) < e && std::fabs(dx) < e) {
        xi = -ax / bx;
        eta = (-ay - by * xi) / (dy * xi + cy);
    } else {
        // Eliminating eta leaves a quadratic in xi; the root is taken in the form that does
        // not cancel, and its partner when it falls outside the square.
        const double a2 = -bx * dy + by * dx;
        const double b2 = -bx * cy + by * cx - ax * dy + ay * dx;
        const double c2 = -ax * cy + ay * cx;
        if (std::fabs(a2) < e) {
            xi = -c2 / b2;
            eta = (-bx * xi - ax) / (dx * xi + cx);
        } else {
            const double sign = b2 < 0.0 ? -1.0 : 1.0;
            const double q = -0.5 * (b2 + sign * std::sqrt(b2 * b2 - 4.0 * a2 * c2));
            xi = q / a2;
            if (xi < -1.0 || xi > 1.0)
                xi = c2 / q;
            if (std::fabs(dx * xi + cx) >= e)
                eta = (-bx * xi - ax) / (dx * xi + cx);
            else if (std::fabs(dy * xi + cy) < e)
                eta = 0.0;
            else
                eta = (-ay - by * xi) / (dy * xi + cy);
        }
    }

    const float w[4] = {static_cast<float>((1.0 - xi) * (1.0 - eta) / 4.0),
                        static_cast<float>((1.0 - xi) * (1.0 + eta) / 4.0),
                        static_cast<float>((1.0 + xi) * (1.0 + eta) / 4.0),
                        static_cast<float>((1.0 + xi) * (1.0 - eta) / 4.0)};
    if (p_weights.size() < 4)
        p_weights.resize(4);
    bool ok = true;
    for (int k = 0; k < 4; ++k) {
        p_weights[static_cast<std::size_t>(k)] = w[k];
        // A degenerate quadrilateral gives non-finite weights: no placement either.
        if (!(w[k] >= 0.0f && w[k] <= 1.0f))
            ok = false;
    }
    return ok;
}

} // namespace zev
