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
