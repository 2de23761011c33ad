#include "zev/derived/SPGeometryInternal.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorMsg.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ZEVVector.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/shapes/Edge.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace zev {

namespace {

const char* const kClass = "SPGeometryInternal";

// Opens the only stage of a pass over p_count candidates and restarts the reduction's walk.
void startSinglePass(ProgressTracker& p_progress, const char* p_stage, std::size_t p_count,
                     ReductionUtility* p_reduction)
{
    p_progress.add(p_stage, 1.0);
    p_progress.start(p_stage, static_cast<int>(p_count));
    if (p_reduction)
        p_reduction->initialize(static_cast<int>(p_count));
}

// ---- corner weights exact for fields linear over a face, in double precision

using Vec = std::array<double, 3>;

Vec operator-(const Vec& p_a, const Vec& p_b)
{
    return {p_a[0] - p_b[0], p_a[1] - p_b[1], p_a[2] - p_b[2]};
}

Vec operator+(const Vec& p_a, const Vec& p_b)
{
    return {p_a[0] + p_b[0], p_a[1] + p_b[1], p_a[2] + p_b[2]};
}

Vec operator*(double p_s, const Vec& p_a)
{
    return {p_s * p_a[0], p_s * p_a[1], p_s * p_a[2]};
}

double dot(const Vec& p_a, const Vec& p_b)
{
    return p_a[0] * p_b[0] + p_a[1] * p_b[1] + p_a[2] * p_b[2];
}

Vec cross(const Vec& p_a, const Vec& p_b)
{
    return {p_a[1] * p_b[2] - p_a[2] * p_b[1], p_a[2] * p_b[0] - p_a[0] * p_b[2],
            p_a[0] * p_b[1] - p_a[1] * p_b[0]};
}

// Below this sine squared of the angle between two directions they count as parallel.
constexpr double kParallel = 1e-12;

// The barycentric coordinates of the point's projection onto the triangle's plane (a least-squares
// solve of p = c0 + w1 (c1 - c0) + w2 (c2 - c0)); false for a triangle of no area.
bool triangleWeights(const Vec* p_c, const Vec& p_p, double* p_w)
{
    const Vec a = p_c[1] - p_c[0];
    const Vec b = p_c[2] - p_c[0];
    const Vec r = p_p - p_c[0];
    const double aa = dot(a, a);
    const double bb = dot(b, b);
    const double ab = dot(a, b);
    const double det = aa * bb - ab * ab;
    if (!(det > kParallel * aa * bb) || !std::isfinite(det))
        return false;
    p_w[1] = (dot(r, a) * bb - dot(r, b) * ab) / det;
    p_w[2] = (dot(r, b) * aa - dot(r, a) * ab) / det;
    p_w[0] = 1.0 - p_w[1] - p_w[2];
    return true;
}

// The bilinear weights (1-s)(1-t), s(1-t), s t, (1-s) t of the quadrilateral's parameters at the point:
// Gauss-Newton on |X(s, t) - p|, which on a flat face is Newton's method on the plane's two equations and
// on a warped one finds the nearest point of the bilinear surface. False when it does not settle.
bool quadWeights(const Vec* p_c, const Vec& p_p, double* p_w)
{
    double s = 0.5;
    double t = 0.5;
    double step = 1.0;
    for (int iteration = 0; iteration < 40 && step > 1e-13; ++iteration) {
        const Vec x =
            (1 - s) * (1 - t) * p_c[0] + s * (1 - t) * p_c[1] + s * t * p_c[2] + (1 - s) * t * p_c[3];
        const Vec r = p_p - x;
        const Vec xs = (1 - t) * (p_c[1] - p_c[0]) + t * (p_c[2] - p_c[3]);
        const Vec xt = (1 - s) * (p_c[3] - p_c[0]) + s * (p_c[2] - p_c[1]);
        const double a = dot(xs, xs);
        const double b = dot(xs, xt);
        const double d = dot(xt, xt);
        const double det = a * d - b * b;
        if (!(det > kParallel * a * d) || !std::isfinite(det))
            return false;
        const double ds = (d * dot(xs, r) - b * dot(xt, r)) / det;
        const double dt = (a * dot(xt, r) - b * dot(xs, r)) / det;
        s += ds;
        t += dt;
        step = std::fabs(ds) + std::fabs(dt);
    }
    if (!(step <= 1e-9) || !std::isfinite(s) || !std::isfinite(t))
        return false;
    p_w[0] = (1 - s) * (1 - t);
    p_w[1] = s * (1 - t);
    p_w[2] = s * t;
    p_w[3] = (1 - s) * t;
    return true;
}

// Mean value coordinates of the point's projection onto the polygon's plane (Newell's normal): smooth,
// positive inside a convex polygon, and exact for linear fields; on an edge they are the edge's linear
// weights, at a corner that corner's.
bool polygonWeights(const std::vector<Vec>& p_c, const Vec& p_p, double* p_w)
{
    const std::size_t n = p_c.size();
    Vec normal{0.0, 0.0, 0.0};
    for (std::size_t k = 0; k < n; ++k)
        normal = normal + cross(p_c[k] - p_c[0], p_c[(k + 1) % n] - p_c[0]);
    const double area = std::sqrt(dot(normal, normal));
    if (!(area > 0.0) || !std::isfinite(area))
        return false;
    normal = (1.0 / area) * normal;
    // An in-plane axis along the first corner distinct from corner 0.
    Vec e1{0.0, 0.0, 0.0};
    for (std::size_t k = 1; k < n && dot(e1, e1) == 0.0; ++k) {
        const Vec edge = p_c[k] - p_c[0];
        e1 = edge - dot(edge, normal) * normal;
    }
    const double length = std::sqrt(dot(e1, e1));
    if (!(length > 0.0))
        return false;
    e1 = (1.0 / length) * e1;
    const Vec e2 = cross(normal, e1);

    std::vector<std::array<double, 2>> s(n);
    std::vector<double> r(n);
    double scale = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const Vec d = p_c[k] - p_p;
        s[k] = {dot(d, e1), dot(d, e2)};
        r[k] = std::hypot(s[k][0], s[k][1]);
        scale = std::max(scale, r[k]);
    }
    std::fill(p_w, p_w + n, 0.0);
    for (std::size_t k = 0; k < n; ++k)
        if (r[k] <= 1e-12 * scale) {
            p_w[k] = 1.0;
            return true;
        }
    // tan(alpha_k / 2) of the angle alpha_k the edge (k, k + 1) spans at the point.
    std::vector<double> halfTan(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t j = (k + 1) % n;
        const double det = s[k][0] * s[j][1] - s[k][1] * s[j][0];
        const double product = s[k][0] * s[j][0] + s[k][1] * s[j][1];
        if (std::fabs(det) <= 1e-12 * r[k] * r[j] && product < 0.0) {
            p_w[k] = r[j] / (r[k] + r[j]);
            p_w[j] = r[k] / (r[k] + r[j]);
            return true;
        }
        halfTan[k] = det / (r[k] * r[j] + product);
    }
    double sum = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        p_w[k] = (halfTan[(k + n - 1) % n] + halfTan[k]) / r[k];
        sum += p_w[k];
    }
    if (!(std::fabs(sum) > 0.0) || !std::isfinite(sum))
        return false;
    for (std::size_t k = 0; k < n; ++k)
        p_w[k] /= sum;
    return true;
}

} // namespace

SPGeometryInternal::SPGeometryInternal()
    : m_minArea(std::numeric_limits<float>::max()), m_maxArea(std::numeric_limits<float>::max())
{
}

SPGeometryInternal::~SPGeometryInternal() = default;

// ------------------------------------------------------------------ one parent

int SPGeometryInternal::doSampling(Geometry* p_parent, SamplePointsGeometry::Method p_method, int p_count,
                                   float p_first, float p_second, float p_third,
                                   const TripletBase<float>& p_point, const std::string& p_accuracy,
                                   HybridInterpolant* p_interpolant, TripletZEVVector& p_points,
                                   TripletZEVVector* p_normals, std::vector<int>& p_setNumbers,
                                   ReductionUtility* p_reduction)
{
    if (p_parent == nullptr)
        return 0;
    const bool byArea = SamplePointsGeometry::methodNeedParentCopy(p_method);
    if (byArea && p_count < 1)
        return 0;
    if (p_method != SamplePointsGeometry::Vertex && p_parent->getFaceSetNames().empty())
        throw internal::error(kClass, "doSampling", SystemMsg("Parent geometry does not contain face sets."));
    if (p_parent != m_parent) {
        m_parent = p_parent;
        m_changed = true;
    }
    if (byArea && m_changed && !cloneParentGeometry(p_interpolant != nullptr))
        return 0;

    m_outInterpolant = p_interpolant;
    m_outPoints = &p_points;
    m_outNormals = p_normals;
    m_outSetNumbers = &p_setNumbers;
    switch (p_method) {
    case SamplePointsGeometry::EquallySpaced:
        return doAreaSampling(p_count, false, p_accuracy, p_interpolant, p_points, p_normals, p_setNumbers);
    case SamplePointsGeometry::EquallySpacedRandom:
        return doAreaSampling(p_count, true, p_accuracy, p_interpolant, p_points, p_normals, p_setNumbers);
    case SamplePointsGeometry::Random:
        return doRandomSampling(p_count);
    case SamplePointsGeometry::RectangularGrid:
        return doRectGridSampling(p_first, p_second, p_third, p_point);
    case SamplePointsGeometry::Vertex:
        return doVertexSampling(p_reduction);
    case SamplePointsGeometry::FaceCenter:
        return doFaceCenterSampling(p_reduction);
    case SamplePointsGeometry::FreeEdge:
        return doFreeEdgeSampling(p_reduction);
    default:
        ErrorReporter::instance().reportMessage(
            ErrorMsg(kClass, "doSampling", UserMsg("Invalid/unsupported sampling method."), eError));
        return 0;
    }
}

bool SPGeometryInternal::cloneParentGeometry(bool p_copyInterpolants)
{
    if (m_parent == nullptr)
        throw internal::nullPointer(kClass, "cloneParentGeometry",
                                    SystemMsg("Invalid pointer for parent geometry."));
    m_parent->clone(this, true, p_copyInterpolants);
    m_faceCount = 0;
    m_totalArea = 0.0;
    m_minArea = std::numeric_limits<float>::max();
    m_maxArea = std::numeric_limits<float>::max();
    const float unset = std::numeric_limits<float>::max();
    for (const std::string& name : getFaceSetNames()) {
        const ShapeSet* set = getFaceSet(name);
        if (set == nullptr)
            throw internal::error(kClass, "cloneParentGeometry",
                                  SystemMsg("Cannot find face set %1 in the parent geometry.").arg(name));
        Triplet areaVector;
        for (std::size_t f = 0; f < set->size(); ++f) {
            const float area = (*set)[f].getArea(m_vertices, areaVector);
            ++m_faceCount;
            // An undefined or infinite area would poison every share taken of the total.
            if (std::isfinite(area))
                m_totalArea += static_cast<double>(area);
            if (m_minArea == unset || area < m_minArea)
                m_minArea = area;
            if (m_maxArea == unset || area > m_maxArea)
                m_maxArea = area;
        }
    }
    m_isCopy = true;
    return true;
}

// ------------------------------------------------------------------ common rules

std::vector<const Shape*> SPGeometryInternal::facesInOrder(const Geometry& p_geometry)
{
    std::vector<const Shape*> faces;
    for (const std::string& name : p_geometry.getFaceSetNames())
        if (const ShapeSet* set = p_geometry.getFaceSet(name))
            for (std::size_t f = 0; f < set->size(); ++f)
                faces.push_back(&(*set)[f]);
    return faces;
}

const Geometry& SPGeometryInternal::source() const
{
    return m_isCopy ? static_cast<const Geometry&>(*this) : *m_parent;
}

const Interpolant* SPGeometryInternal::sourceInterpolant() const
{
    // Interpolants onto faces or elements describe other items than the vertices.
    for (const Interpolant* interpolant : source().getInterpolantList())
        if (interpolant && interpolant->getDestinationVarLocation() == eVertex)
            return interpolant;
    return nullptr;
}

bool SPGeometryInternal::carriesSetNumbers() const
{
    return m_isCopy ? !m_vertDomainESNum.empty() : m_parent->hasVertDomainESNum();
}

void SPGeometryInternal::vertexRecord(int p_vertex, HybridInterpolantData& p_record,
                                      std::string& p_domain) const
{
    if (const Interpolant* interpolant = sourceInterpolant()) {
        p_record = HybridInterpolantData();
        if (interpolant->getInternalData(p_vertex, p_record, p_domain) != 0)
            p_record = HybridInterpolantData();
        return;
    }
    // A source without interpolant is a domain itself: the point is built from its vertices.
    p_record = HybridInterpolantData(p_vertex);
    p_domain = m_parent->getDomain();
}

// A sample point's value must be the value of the parent's field at the point. The faces' own weights
// (inverse distance) are not exact even for a linear field (on a right triangle's centroid they weigh the
// near corners up), so the records are built from weights that reproduce every linear field: a
// triangle's barycentric coordinates, a quadrilateral's bilinear ones (as its elements interpolate) and a
// larger polygon's mean value coordinates. Only a degenerate face falls back to the face's own weights.
void SPGeometryInternal::faceWeights(const Shape& p_face, const Triplet& p_point,
                                     const TripletZEVVector& p_vertices, std::vector<float>& p_weights)
{
    const int n = p_face.getNumVertices();
    if (n < 3) {
        p_face.constructWeights(p_point, p_vertices, p_weights);
        return;
    }
    // Relative to the first corner, so that a face far from the origin keeps its digits.
    const Triplet& first = p_vertices[static_cast<std::size_t>(p_face[0])];
    const Vec origin{first[0], first[1], first[2]};
    std::vector<Vec> corners(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const Triplet& v = p_vertices[static_cast<std::size_t>(p_face[k])];
        corners[static_cast<std::size_t>(k)] = Vec{v[0], v[1], v[2]} - origin;
    }
    const Vec point = Vec{p_point[0], p_point[1], p_point[2]} - origin;
    std::vector<double> w(static_cast<std::size_t>(n), 0.0);
    const bool found =
        n == 3   ? triangleWeights(corners.data(), point, w.data())
        : n == 4 ? quadWeights(corners.data(), point, w.data()) || polygonWeights(corners, point, w.data())
                 : polygonWeights(corners, point, w.data());
    if (!found) {
        p_face.constructWeights(p_point, p_vertices, p_weights);
        return;
    }
    // A point on an edge comes out a rounding's width outside it; its weights stay in [0, 1].
    double sum = 0.0;
    for (double& weight : w) {
        if (weight < 0.0 && weight > -1e-6)
            weight = 0.0;
        sum += weight;
    }
    p_weights.resize(static_cast<std::size_t>(n));
    for (std::size_t k = 0; k < w.size(); ++k)
        p_weights[k] = static_cast<float>(w[k] / sum);
}

void SPGeometryInternal::combinedRecord(const int* p_vertices, const float* p_weights, int p_n,
                                        HybridInterpolantData& p_record, std::string& p_domain) const
{
    p_record = HybridInterpolantData();
    HybridInterpolantData part;
    for (int k = 0; k < p_n; ++k) {
        vertexRecord(p_vertices[k], part, p_domain);
        p_record += part * p_weights[k];
    }
    // Equal nodes are merged so that records built from records (refined faces) stay short.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < p_record.m_size; ++i) {
        std::size_t j = 0;
        while (j < kept && p_record.m_nodes[j] != p_record.m_nodes[i])
            ++j;
        if (j < kept) {
            p_record.m_weights[j] += p_record.m_weights[i];
        } else {
            p_record.m_nodes[kept] = p_record.m_nodes[i];
            p_record.m_weights[kept] = p_record.m_weights[i];
            ++kept;
        }
    }
    p_record.m_nodes.resize(kept);
    p_record.m_weights.resize(kept);
    p_record.m_size = kept;
    p_record.normalize();
}

void SPGeometryInternal::appendFacePoint(const Shape& p_face, const Triplet& p_point,
                                         const std::vector<float>* p_weights, const Triplet* p_normal)
{
    const Geometry& s = source();
    const TripletZEVVector& vertices = s.getVertices();
    const int n = p_face.getNumVertices();
    if (m_outInterpolant) {
        std::vector<float> weights;
        if (p_weights == nullptr) {
            faceWeights(p_face, p_point, vertices, weights);
            p_weights = &weights;
        }
        std::vector<int> corners(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            corners[static_cast<std::size_t>(k)] = p_face[k];
        HybridInterpolantData record;
        std::string domain;
        combinedRecord(corners.data(), p_weights->data(), std::min(n, static_cast<int>(p_weights->size())),
                       record, domain);
        m_outInterpolant->pushVertex(record, domain);
    }
    if (m_outNormals) {
        Triplet normal;
        if (p_normal)
            normal = *p_normal;
        else if (!p_face.getNormal(vertices, normal, true))
            normal = Triplet();
        m_outNormals->push_back(normal);
    }
    if (carriesSetNumbers() && n > 0) {
        const std::vector<int>& numbers = s.getVertDomainESNumVec();
        const auto first = static_cast<std::size_t>(p_face[0]);
        m_outSetNumbers->push_back(first < numbers.size() ? numbers[first] : -1);
    }
    m_outPoints->push_back(p_point);
}

void SPGeometryInternal::appendRandomFacePoints(const Shape& p_face, int p_count)
{
    const TripletZEVVector& vertices = source().getVertices();
    const int n = p_face.getNumVertices();
    if (n <= 0)
        return;
    Triplet normal;
    if (m_outNormals && !p_face.getNormal(vertices, normal, true))
        normal = Triplet();
    std::vector<float> draws(static_cast<std::size_t>(n));
    for (int j = 0; j < p_count; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < n; ++k) {
            draws[static_cast<std::size_t>(k)] = m_random->uniform();
            sum += draws[static_cast<std::size_t>(k)];
        }
        for (int k = 0; k < n; ++k)
            draws[static_cast<std::size_t>(k)] =
                sum >= FLT_EPSILON ? draws[static_cast<std::size_t>(k)] / sum : 1.0f / static_cast<float>(n);
        Triplet point;
        for (int k = 0; k < n; ++k)
            point += vertices[static_cast<std::size_t>(p_face[k])] * draws[static_cast<std::size_t>(k)];
        appendFacePoint(p_face, point, nullptr, m_outNormals ? &normal : nullptr);
    }
}

// ------------------------------------------------------------------ random

int SPGeometryInternal::doRandomSampling(int p_count)
{
    const std::vector<const Shape*> faces = facesInOrder(source());
    ProgressTracker progress;
    progress.add("Range Distribution", 0.5);
    progress.add("Sampling", 0.25);
    progress.add("Interpolant", 0.25);
    progress.start("Range Distribution", static_cast<int>(faces.size()));

    // Each face with a share of the area owns the interval of the cumulated shares before and
    // after it.
    struct Range {
        double low;
        double high;
        const Shape* face;
    };
    std::vector<Range> ranges;
    const double total = m_totalArea;
    if (total > 0.0 && std::isfinite(total)) {
        const TripletZEVVector& vertices = source().getVertices();
        double cumulated = 0.0;
        Triplet areaVector;
        for (const Shape* face : faces) {
            const double fraction = static_cast<double>(face->getArea(vertices, areaVector)) / total;
            progress.increment();
            if (!std::isfinite(fraction))
                continue;
            const double low = cumulated;
            cumulated += fraction;
            if (fraction >= FLT_EPSILON)
                ranges.push_back(Range{low, cumulated, face});
        }
        // The rounding of the sum must not leave the top of [0, 1] to no face.
        if (!ranges.empty())
            ranges.back().high = std::max(ranges.back().high, 1.0);
    }
    if (ranges.empty())
        return 0;

    progress.start("Sampling", p_count);
    std::vector<int> hits(ranges.size(), 0);
    for (int i = 0; i < p_count; ++i) {
        const double u = m_random->uniform();
        const auto at = std::lower_bound(ranges.begin(), ranges.end(), u,
                                         [](const Range& p_range, double p_u) { return p_range.high < p_u; });
        if (at != ranges.end() && at->low <= u)
            ++hits[static_cast<std::size_t>(at - ranges.begin())];
        progress.increment();
    }

    progress.start("Interpolant", static_cast<int>(std::count_if(hits.begin(), hits.end(),
                                                                 [](int p_h) { return p_h > 0; })));
    const std::size_t before = m_outPoints->size();
    for (std::size_t r = 0; r < ranges.size(); ++r) {
        if (hits[r] == 0)
            continue;
        appendRandomFacePoints(*ranges[r].face, hits[r]);
        progress.increment();
    }
    return static_cast<int>(m_outPoints->size() - before);
}

// ------------------------------------------------------------------ vertices, face centres, free edges

int SPGeometryInternal::doVertexSampling(ReductionUtility* p_reduction)
{
    const Geometry& parent = *m_parent;
    const int n = parent.getNumVertices();
    const bool numbers = carriesSetNumbers();
    ProgressTracker progress;
    progress.add("Vertices", 1.0 - (m_outNormals ? 0.3 : 0.0) - (m_outInterpolant ? 0.4 : 0.0));
    if (m_outNormals)
        progress.add("Normals", 0.3);
    if (m_outInterpolant)
        progress.add("Interpolant", 0.4);

    // Every pass walks the same candidates through the reduction, so each keeps the same
    // vertices.
    auto pass = [&](const char* p_stage, auto&& p_use) {
        progress.start(p_stage, n);
        if (p_reduction)
            p_reduction->initialize(n);
        for (int v = 0; v < n; ++v) {
            if (!p_reduction || p_reduction->useThisItem())
                p_use(v);
            progress.increment();
        }
    };
    const std::size_t before = m_outPoints->size();
    pass("Vertices", [&](int p_v) {
        m_outPoints->push_back(parent.getVertices()[static_cast<std::size_t>(p_v)]);
        if (numbers)
            m_outSetNumbers->push_back(parent.getVertDomainESNumVec()[static_cast<std::size_t>(p_v)]);
    });
    if (m_outNormals) {
        const TripletZEVVector& normals = parent.getVertexNormals();
        pass("Normals", [&](int p_v) {
            const auto v = static_cast<std::size_t>(p_v);
            m_outNormals->push_back(v < normals.size() ? normals[v] : Triplet());
        });
    }
    if (m_outInterpolant) {
        HybridInterpolantData record;
        std::string domain;
        pass("Interpolant", [&](int p_v) {
            vertexRecord(p_v, record, domain);
            m_outInterpolant->pushVertex(record, domain);
        });
    }
    return static_cast<int>(m_outPoints->size() - before);
}

int SPGeometryInternal::doFaceCenterSampling(ReductionUtility* p_reduction)
{
    const std::vector<const Shape*> faces = facesInOrder(*m_parent);
    ProgressTracker progress;
    startSinglePass(progress, "Face", faces.size(), p_reduction);
    const std::size_t before = m_outPoints->size();
    for (const Shape* face : faces) {
        if (!p_reduction || p_reduction->useThisItem())
            appendFacePoint(*face, face->calcCentroid(std::as_const(*m_parent).getVertices()), nullptr,
                            nullptr);
        progress.increment();
    }
    return static_cast<int>(m_outPoints->size() - before);
}

int SPGeometryInternal::doFreeEdgeSampling(ReductionUtility* p_reduction)
{
    const Geometry& parent = *m_parent;
    const TripletZEVVector& vertices = parent.getVertices();
    ZEVVector<Edge> edges;
    std::set<int> edgeVertices;
    parent.getFreeEdges(edges, edgeVertices);
    const bool numbers = carriesSetNumbers();
    const TripletZEVVector* normals = m_outNormals ? &parent.getVertexNormals() : nullptr;
    ProgressTracker progress;
    startSinglePass(progress, "Edge", edges.size(), p_reduction);
    const std::size_t before = m_outPoints->size();
    std::vector<float> weights;
    for (const Edge& edge : edges) {
        progress.increment();
        if (p_reduction && !p_reduction->useThisItem())
            continue;
        const auto a = static_cast<std::size_t>(edge.firstVertex());
        const auto b = static_cast<std::size_t>(edge.secondVertex());
        const Triplet point = (vertices[a] + vertices[b]) * 0.5f;
        if (numbers)
            m_outSetNumbers->push_back(parent.getVertDomainESNumVec()[a]);
        if (m_outInterpolant) {
            edge.constructWeights(point, vertices, weights);
            const int ends[2] = {edge.firstVertex(), edge.secondVertex()};
            HybridInterpolantData record;
            std::string domain;
            combinedRecord(ends, weights.data(), 2, record, domain);
            m_outInterpolant->pushVertex(record, domain);
        }
        if (normals) {
            Triplet mean;
            if (a < normals->size() && b < normals->size())
                mean = ((*normals)[a] + (*normals)[b]) * 0.5f;
            const float length = mean.length();
            if (length > 0.0f)
                mean = mean * (1.0f / length);
            m_outNormals->push_back(mean);
        }
        m_outPoints->push_back(point);
    }
    return static_cast<int>(m_outPoints->size() - before);
}

} // namespace zev
