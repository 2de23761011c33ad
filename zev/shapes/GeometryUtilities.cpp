#include "zev/shapes/GeometryUtilities.h"

#include "zev/contracts/Undefined.h"

#include <cmath>

namespace zev {

namespace {

bool hasUndefComponent(const Triplet& p_t)
{
    return p_t[0] == ZEV_UNDEF || p_t[1] == ZEV_UNDEF || p_t[2] == ZEV_UNDEF;
}

double dotDouble(const Triplet& p_a, const Triplet& p_b)
{
    return static_cast<double>(p_a[0]) * p_b[0] + static_cast<double>(p_a[1]) * p_b[1] +
           static_cast<double>(p_a[2]) * p_b[2];
}

} // namespace

std::string GeometryUtilities::getFaceSetName(const std::string& p_a, const std::string& p_b)
{
    return p_a + "-" + p_b;
}

bool GeometryUtilities::areSameSide(const Triplet& p_a, const Triplet& p_b, const Triplet& p_c,
                                    const Triplet& p_p, const Triplet& p_q)
{
    Triplet n = (p_b - p_a).cross(p_c - p_a);
    if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f)
        return true;
    const float length = hasUndefComponent(n) ? ZEV_UNDEF : n.length();
    // A normal so small that its length underflows spans no plane either.
    if (length == 0.0f)
        return true;
    n /= length;
    const float d = -n.dot(p_a);
    const double sp = dotDouble(n, p_p) + d;
    const double sq = dotDouble(n, p_q) + d;
    if (std::fabs(sp) > 0.0 && std::fabs(sq / sp) < 0.01)
        return true;
    return sp * sq >= 0.0;
}

Triplet GeometryUtilities::areaWeighedFaceCentroid(const std::vector<Triplet>& p_points)
{
    std::vector<Triplet> crosses;
    return areaWeighedFaceCentroid(p_points, crosses);
}

Triplet GeometryUtilities::areaWeighedFaceCentroid(const std::vector<Triplet>& p_points,
                                                   std::vector<Triplet>& p_scratch)
{
    const std::size_t k = p_points.size();
    if (k == 0)
        return Triplet(0.0f, 0.0f, 0.0f);
    Triplet c(0.0f, 0.0f, 0.0f);
    for (const Triplet& p : p_points)
        c += p;
    c = c / static_cast<float>(k);
    if (k < 4)
        return c;

    std::vector<Triplet>& crosses = p_scratch;
    crosses.resize(k);
    Triplet normal(0.0f, 0.0f, 0.0f);
    for (std::size_t i = 0; i < k; ++i) {
        crosses[i] = (p_points[i] - c).cross(p_points[(i + 1) % k] - c);
        normal += crosses[i];
    }

    double area = 0.0;
    double g[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < k; ++i) {
        const Triplet& x = crosses[i];
        double a = hasUndefComponent(x) ? static_cast<double>(ZEV_UNDEF) : std::sqrt(dotDouble(x, x)) / 2.0;
        if (normal.dot(x) < 0.0f)
            a = -a;
        const Triplet gi = (p_points[i] + c + p_points[(i + 1) % k]) / 3.0f;
        area += a;
        for (int j = 0; j < 3; ++j)
            g[j] += a * gi[j];
    }
    if (area == 0.0)
        return c;
    return Triplet(static_cast<float>(g[0] / area), static_cast<float>(g[1] / area),
                   static_cast<float>(g[2] / area));
}

} // namespace zev
