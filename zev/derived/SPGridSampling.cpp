#include "zev/derived/SPGeometryInternal.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorMsg.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ZEVVector.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zev {

namespace {

const char* const kClass = "SPGeometryInternal";

// Grids above this many nodes are refused rather than placed.
const double kMaxGridNodes = 1e7;

// Vector arithmetic of the grid construction, in double precision.
struct D3 {
    double x = 0.0, y = 0.0, z = 0.0;
    D3() = default;
    D3(double p_x, double p_y, double p_z) : x(p_x), y(p_y), z(p_z) {}
    explicit D3(const Triplet& p_t) : x(p_t[0]), y(p_t[1]), z(p_t[2]) {}
    D3 operator+(const D3& p_o) const { return {x + p_o.x, y + p_o.y, z + p_o.z}; }
    D3 operator-(const D3& p_o) const { return {x - p_o.x, y - p_o.y, z - p_o.z}; }
    D3 operator*(double p_s) const { return {x * p_s, y * p_s, z * p_s}; }
    double dot(const D3& p_o) const { return x * p_o.x + y * p_o.y + z * p_o.z; }
    D3 cross(const D3& p_o) const
    {
        return {y * p_o.z - z * p_o.y, z * p_o.x - x * p_o.z, x * p_o.y - y * p_o.x};
    }
    double length() const { return std::sqrt(dot(*this)); }
    bool finite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
    Triplet toFloat() const
    {
        return Triplet(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }
};

bool hasUndefined(const Triplet& p_t)
{
    return FloatUtilities::isUndef(p_t[0]) || FloatUtilities::isUndef(p_t[1]) ||
           FloatUtilities::isUndef(p_t[2]);
}

} // namespace

int SPGeometryInternal::doRectGridSampling(float p_first, float p_second, float p_third,
                                           const TripletBase<float>& p_point)
{
    if (m_parent == nullptr || m_parent->getNumVertices() < 3)
        return 0;
    const TripletZEVVector& vertices = std::as_const(*m_parent).getVertices();
    const std::size_t n = vertices.size();

    D3 c0;
    for (const Triplet& v : vertices)
        c0 = c0 + D3(v);
    c0 = c0 * (1.0 / static_cast<double>(n));

    // The normal of the first vertex triple (p0, p(2k+1), p(2k+2)) that spans a plane.
    const D3 p0(vertices[0]);
    D3 normal;
    bool found = false;
    for (std::size_t k = 0; 2 * k + 2 <= n - 1 && !found; ++k) {
        normal = (D3(vertices[2 * k + 1]) - p0).cross(D3(vertices[2 * k + 2]) - p0);
        found = !normal.finite() || hasUndefined(normal.toFloat()) || normal.x != 0.0 || normal.y != 0.0 ||
                normal.z != 0.0;
    }
    if (!found)
        throw internal::error(kClass, "doRectGridSampling",
                              SystemMsg("Cannot find normal for geometry '%1'.").arg(m_parent->getName()));

    const Triplet low = vertices.getMinExtents();
    const Triplet high = vertices.getMaxExtents();
    const D3 diagonal = D3(high) - D3(low);
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    D3 helper;
    if (ax >= ay && ax >= az)
        helper = D3(0.0, p0.y + 1.0, 0.0);
    else if (ay >= az)
        helper = D3(0.0, 0.0, p0.z + 1.0);
    else
        helper = D3(p0.x + 1.0, 0.0, 0.0);
    const double tiny = 2.220446e-16;
    if (normal.cross(helper).length() < tiny)
        helper = diagonal;
    D3 b = normal.cross(helper);
    if (!(b.length() >= tiny))
        return 0;
    D3 a = b.cross(normal);
    a = a * (1.0 / a.length());
    b = b * (1.0 / b.length());
    const D3 unitNormal = normal * (1.0 / normal.length());
    if (p_third != 0.0f) {
        const double c = std::cos(static_cast<double>(p_third)), s = std::sin(static_cast<double>(p_third));
        const D3 ra = a * c + unitNormal.cross(a) * s;
        const D3 rb = b * c + unitNormal.cross(b) * s;
        a = ra;
        b = rb;
    }

    const double span = hasUndefined(low) || hasUndefined(high)
                            ? static_cast<double>(std::numeric_limits<float>::max())
                            : 1.49 * diagonal.length();
    double nA, nB, sA, sB;
    const double first = p_first, second = p_second;
    if (first == 0.0 || first <= -1.0) {
        nA = 10.0;
        nB = std::trunc(nA * second);
        sA = span / (nA - 1.0);
        sB = span / (nB - 1.0);
    } else if (first > 0.0) {
        sA = first;
        sB = first * second;
        nA = std::trunc(span / sA + 1.0);
        nB = std::trunc(span / sB + 1.0);
    } else {
        return 0; // a spacing between -1 and 0 (or undefined) lays no grid
    }
    nA = 2.0 * std::trunc(nA / 2.0) + 1.0;
    nB = 2.0 * std::trunc(nB / 2.0) + 1.0;
    if (!(nA >= 2.0) || !(nB >= 2.0) || !(sA > 0.0) || !(sB > 0.0))
        return 0;
    if (!(nA * nB <= kMaxGridNodes)) {
        ErrorReporter::instance().reportMessage(ErrorMsg(
            kClass, "doRectGridSampling",
            UserMsg("A grid of %1 by %2 nodes is too large; no grid points were placed.").arg(nA).arg(nB),
            eWarning));
        return 0;
    }
    const int countA = static_cast<int>(nA), countB = static_cast<int>(nB);

    // A given point shifts the grid so that one node row and one node column pass through it.
    if (!hasUndefined(p_point)) {
        const D3 d = D3(p_point) - c0;
        double whole;
        const double fa = std::modf(d.dot(a) / sA, &whole);
        const double fb = std::modf(d.dot(b) / sB, &whole);
        c0 = c0 + a * (fa * sA) + b * (fb * sB);
    }
    const double halfA = (nA - 1.0) * sA / 2.0, halfB = (nB - 1.0) * sB / 2.0;

    const std::vector<const Shape*> faces = facesInOrder(*m_parent);
    const int numFaces = static_cast<int>(faces.size());
    const std::size_t numNodes = static_cast<std::size_t>(countA) * static_cast<std::size_t>(countB);

    // Buckets: the nodes a face can accept. A face accepts a node whose projection along the
    // face normal lands inside it, so the face's vertices projected along that normal onto
    // the grid plane bound those nodes; a margin covers rounding and the tolerance of the
    // inside test. Faces nearly perpendicular to the grid (or without normal) are tried at
    // every node. Each node's list stays in face order, so the first accepting face is the
    // one a scan of all faces would find.
    const bool flat = m_parent->isFlatSurface();
    std::vector<int> everywhere;
    std::vector<std::size_t> bucketStart;
    std::vector<int> bucketFaces;
    if (!m_gridFullScan) {
        struct Span {
            int i0, i1, j0, j1;
        };
        std::vector<Span> spans(static_cast<std::size_t>(numFaces), Span{0, -1, 0, -1});
        for (int f = 0; f < numFaces; ++f) {
            const Shape& face = *faces[static_cast<std::size_t>(f)];
            Triplet faceNormal;
            const bool hasNormal = face.getNormal(vertices, faceNormal, true);
            const D3 nf(faceNormal);
            const double cosine = nf.dot(unitNormal);
            bool all = !hasNormal || !(std::fabs(cosine) >= 1e-3);
            double aMin = 0.0, aMax = 0.0, bMin = 0.0, bMax = 0.0, height = 0.0;
            for (int k = 0; k < face.getNumVertices() && !all; ++k) {
                const D3 p = D3(vertices[static_cast<std::size_t>(face[k])]) - c0;
                const double h = p.dot(unitNormal);
                const D3 q = p - nf * (h / cosine);
                const double qa = q.dot(a) + halfA, qb = q.dot(b) + halfB;
                if (!std::isfinite(qa) || !std::isfinite(qb)) {
                    all = true;
                    break;
                }
                if (k == 0) {
                    aMin = aMax = qa;
                    bMin = bMax = qb;
                }
                aMin = std::min(aMin, qa), aMax = std::max(aMax, qa);
                bMin = std::min(bMin, qb), bMax = std::max(bMax, qb);
                height = std::max(height, std::fabs(h));
            }
            if (!all) {
                // A flat parent tests the node itself, which may lie off a tilted face's plane.
                const double margin =
                    1e-3 * ((aMax - aMin) + (bMax - bMin)) + 1e-5 * span + (flat ? height : 0.0);
                const double i0 = std::ceil((aMin - margin) / sA), i1 = std::floor((aMax + margin) / sA);
                const double j0 = std::ceil((bMin - margin) / sB), j1 = std::floor((bMax + margin) / sB);
                if (i1 < 0.0 || j1 < 0.0 || i0 > nA - 1.0 || j0 > nB - 1.0)
                    continue; // no node within reach
                Span s{static_cast<int>(std::max(i0, 0.0)), static_cast<int>(std::min(i1, nA - 1.0)),
                       static_cast<int>(std::max(j0, 0.0)), static_cast<int>(std::min(j1, nB - 1.0))};
                const double covered = (s.i1 - s.i0 + 1.0) * (s.j1 - s.j0 + 1.0);
                if (covered * 4.0 > static_cast<double>(numNodes))
                    all = true;
                else
                    spans[static_cast<std::size_t>(f)] = s;
            }
            if (all)
                everywhere.push_back(f);
        }
        bucketStart.assign(numNodes + 1, 0);
        for (const Span& s : spans)
            for (int j = s.j0; j <= s.j1; ++j)
                for (int i = s.i0; i <= s.i1; ++i)
                    ++bucketStart[static_cast<std::size_t>(j) * static_cast<std::size_t>(countA) + i + 1];
        for (std::size_t k = 0; k < numNodes; ++k)
            bucketStart[k + 1] += bucketStart[k];
        bucketFaces.resize(bucketStart[numNodes]);
        std::vector<std::size_t> fill(bucketStart.begin(), bucketStart.end() - 1);
        for (int f = 0; f < numFaces; ++f) {
            const Span& s = spans[static_cast<std::size_t>(f)];
            for (int j = s.j0; j <= s.j1; ++j)
                for (int i = s.i0; i <= s.i1; ++i)
                    bucketFaces[fill[static_cast<std::size_t>(j) * static_cast<std::size_t>(countA) + i]++] =
                        f;
        }
    }

    ProgressTracker progress;
    progress.add("Grid Sampling", 1.0);
    progress.start("Grid Sampling", static_cast<int>(numNodes));
    const std::size_t before = m_outPoints->size();
    std::vector<float> weights;
    // Whether face f accepts the node; the accepted point is left in p_accepted.
    auto accepts = [&](int p_face, const Triplet& p_node, Triplet& p_accepted) {
        const Shape& face = *faces[static_cast<std::size_t>(p_face)];
        if (flat) {
            p_accepted = p_node;
            return face.isInside(p_node, vertices) && face.constructWeights(p_node, vertices, weights);
        }
        float distance = 0.0f;
        return face.projectPointToFace(p_node, vertices, p_accepted, distance) &&
               face.constructWeights(p_accepted, vertices, weights);
    };
    for (int j = 0; j < countB; ++j) {
        for (int i = 0; i < countA; ++i) {
            const Triplet node = (c0 + a * (i * sA - halfA) + b * (j * sB - halfB)).toFloat();
            Triplet accepted;
            int hit = -1;
            if (m_gridFullScan) {
                for (int f = 0; f < numFaces && hit < 0; ++f)
                    if (accepts(f, node, accepted))
                        hit = f;
            } else {
                // Merge the node's bucket with the faces tried everywhere, in face order.
                const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(countA) + i;
                std::size_t p = bucketStart[k], q = 0;
                const std::size_t pEnd = bucketStart[k + 1], qEnd = everywhere.size();
                while (hit < 0 && (p < pEnd || q < qEnd)) {
                    int f;
                    if (q == qEnd || (p < pEnd && bucketFaces[p] < everywhere[q]))
                        f = bucketFaces[p++];
                    else
                        f = everywhere[q++];
                    if (accepts(f, node, accepted))
                        hit = f;
                }
            }
            if (hit >= 0)
                appendFacePoint(*faces[static_cast<std::size_t>(hit)], accepted, nullptr, nullptr);
            progress.increment();
        }
    }
    return static_cast<int>(m_outPoints->size() - before);
}

} // namespace zev
