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
#include <cfloat>
#include <cmath>
#include <limits>
#include <set>

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

// The faces of p_geometry over its sets in name order, then by index.
std::vector<const Shape*> facesInOrder(const Geometry& p_geometry)
{
    std::vector<const Shape*> faces;
    for (const std::string& name : p_geometry.getFaceSetNames())
        if (const ShapeSet* set = p_geometry.getFaceSet(name))
            for (std::size_t f = 0; f < set->size(); ++f)
                faces.push_back(&(*set)[f]);
    return faces;
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
            p_face.constructWeights(p_point, vertices, weights);
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

// ------------------------------------------------------------------ rectangular grid

int SPGeometryInternal::doRectGridSampling(float p_first, float p_second, float p_third,
                                           const TripletBase<float>& p_point)
{
    if (m_parent == nullptr || m_parent->getNumVertices() < 3)
        return 0;
    const TripletZEVVector& vertices = m_parent->getVertices();
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
                appendFacePoint(*faces[static_cast<std::size_t>(hit)], accepted, &weights, nullptr);
            progress.increment();
        }
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
    progress.add("Face", 1.0);
    progress.start("Face", static_cast<int>(faces.size()));
    if (p_reduction)
        p_reduction->initialize(static_cast<int>(faces.size()));
    const std::size_t before = m_outPoints->size();
    for (const Shape* face : faces) {
        if (!p_reduction || p_reduction->useThisItem())
            appendFacePoint(*face, face->calcCentroid(m_parent->getVertices()), nullptr, nullptr);
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
    progress.add("Edge", 1.0);
    progress.start("Edge", static_cast<int>(edges.size()));
    if (p_reduction)
        p_reduction->initialize(static_cast<int>(edges.size()));
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
