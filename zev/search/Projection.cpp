#include "zev/search/Projection.h"

#include "zev/interpolants/HybridInterpolant.h"
#include "zev/search/ProjectionStatistics.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>

namespace zev {

namespace {

constexpr int kDefaultNodesToCheck = 25;

int readNodesToCheck()
{
    const char* text = std::getenv("KPL_NODES_TO_CHECK_FOR_PROJECTION");
    if (text == nullptr)
        return kDefaultNodesToCheck;
    // Read as atoi would, but clamped while still a long. A count below one (0 is also what an
    // unreadable value gives) would look at no vertex.
    const long value = std::strtol(text, nullptr, 10);
    const int count = value < 1 ? kDefaultNodesToCheck : static_cast<int>(std::min<long>(value, INT_MAX));
    std::cout << "Setting the number of nearby nodes to check when projecting points "
              << "to a surface to: '" << count << "'" << std::endl;
    return count;
}

double largestAbs(const Triplet& p_a)
{
    return std::max({std::fabs(static_cast<double>(p_a[0])), std::fabs(static_cast<double>(p_a[1])),
                     std::fabs(static_cast<double>(p_a[2]))});
}

// Squared distance from p to the segment a-b, in double.
double segmentDistance2(const Triplet& p_a, const Triplet& p_b, const Triplet& p_p)
{
    double e[3], w[3];
    double ee = 0.0, we = 0.0;
    for (int k = 0; k < 3; ++k) {
        e[k] = static_cast<double>(p_b[k]) - p_a[k];
        w[k] = static_cast<double>(p_p[k]) - p_a[k];
        ee += e[k] * e[k];
        we += w[k] * e[k];
    }
    const double t = ee > 0.0 ? std::min(1.0, std::max(0.0, we / ee)) : 0.0;
    double d = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double r = w[k] - t * e[k];
        d += r * r;
    }
    return d;
}

// The points' positions in Morton order of their cells on a 2^21 grid over their box.
std::vector<std::size_t> spatialOrder(const TripletZEVVector& p_points)
{
    const std::size_t count = p_points.size();
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const Triplet& p : p_points)
        for (int a = 0; a < 3; ++a)
            if (std::isfinite(p[a])) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
    auto spread = [](std::uint64_t p_v) {
        p_v &= 0x1fffff;
        p_v = (p_v | p_v << 32) & 0x1f00000000ffffULL;
        p_v = (p_v | p_v << 16) & 0x1f0000ff0000ffULL;
        p_v = (p_v | p_v << 8) & 0x100f00f00f00f00fULL;
        p_v = (p_v | p_v << 4) & 0x10c30c30c30c30c3ULL;
        p_v = (p_v | p_v << 2) & 0x1249249249249249ULL;
        return p_v;
    };
    std::vector<std::pair<std::uint64_t, std::size_t>> keys(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t key = 0;
        for (int a = 0; a < 3; ++a) {
            const double extent = static_cast<double>(hi[a]) - lo[a];
            const double c = p_points[i][a];
            // Non-finite coordinates and flat axes go to cell 0.
            const double cell = extent > 0.0 && std::isfinite(c) ? (c - lo[a]) / extent * 2097151.0 : 0.0;
            key |= spread(static_cast<std::uint64_t>(std::min(std::max(cell, 0.0), 2097151.0))) << a;
        }
        keys[i] = {key, i};
    }
    std::sort(keys.begin(), keys.end());
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = keys[i].second;
    return order;
}

} // namespace

int SurfaceProjector::nodesToCheck()
{
    static const int count = readNodesToCheck();
    return count;
}

bool SurfaceProjector::isEquivalent(double p_nearest, bool p_hasSecond, double p_second,
                                    const Triplet& p_node, const TripletZEVVector& p_vertices,
                                    const int* p_around, std::size_t p_aroundCount)
{
    // With a single vertex there is no second distance to compare with.
    if (p_hasSecond && p_nearest / p_second < 0.01)
        return true;
    if (p_aroundCount == 0)
        return false;
    float spacing = FLT_MAX;
    for (std::size_t k = 0; k < p_aroundCount; ++k)
        spacing = std::min(spacing, NearestVertices::squaredDistance(
                                        p_node, p_vertices[static_cast<std::size_t>(p_around[k])]));
    return p_nearest < 0.05 * spacing;
}

SurfaceProjector::SurfaceProjector(const TripletZEVVector& p_vertices,
                                   const std::vector<const ShapeSet*>& p_faceSets,
                                   const NeighbourSource& p_neighbours)
    : m_vertices(p_vertices), m_neighbourSource(p_neighbours), m_search(p_vertices), m_count(nodesToCheck())
{
    const std::size_t vertexCount = p_vertices.size();
    auto usable = [vertexCount](int p_v) { return p_v >= 0 && static_cast<std::size_t>(p_v) < vertexCount; };
    for (std::size_t s = 0; s < p_faceSets.size(); ++s) {
        const ShapeSet* set = p_faceSets[s];
        if (set == nullptr)
            continue;
        const int perShape = set->getNumVerticesPerShape();
        for (std::size_t i = 0; i < set->size(); ++i) {
            const Shape& face = (*set)[i];
            const int n = perShape < 0 ? face.getNumVertices() : perShape;
            bool ok = n > 0;
            for (int k = 0; ok && k < n; ++k)
                ok = usable(face[k]);
            if (!ok)
                continue;
            m_faces.push_back({&face, static_cast<int>(s), static_cast<int>(i), n});
            // The box of a triangle bounds where a point projected into it can lie.
            Box box{{FLT_MAX, FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}, 0.0f};
            if (n == 3)
                for (int k = 0; k < 3; ++k)
                    for (int a = 0; a < 3; ++a) {
                        const float c = p_vertices[static_cast<std::size_t>(face[k])][a];
                        box.lo[a] = std::min(box.lo[a], c);
                        box.hi[a] = std::max(box.hi[a], c);
                        box.scale = std::max(box.scale, std::fabs(c));
                    }
            m_faceBoxes.push_back(box);
        }
    }
    // Faces around each vertex, in face order, each face once per vertex it holds.
    m_vertexFaceStart.assign(vertexCount + 1, 0);
    auto forEachDistinct = [](const FaceRef& p_ref, auto&& p_fn) {
        for (int k = 0; k < p_ref.count; ++k) {
            const int v = (*p_ref.face)[k];
            bool seen = false;
            for (int j = 0; j < k && !seen; ++j)
                seen = (*p_ref.face)[j] == v;
            if (!seen)
                p_fn(v);
        }
    };
    for (const FaceRef& ref : m_faces)
        forEachDistinct(ref, [&](int p_v) { ++m_vertexFaceStart[static_cast<std::size_t>(p_v) + 1]; });
    for (std::size_t v = 0; v < vertexCount; ++v)
        m_vertexFaceStart[v + 1] += m_vertexFaceStart[v];
    m_vertexFaces.resize(static_cast<std::size_t>(m_vertexFaceStart[vertexCount]));
    std::vector<int> fill(m_vertexFaceStart.begin(), m_vertexFaceStart.end() - 1);
    for (std::size_t f = 0; f < m_faces.size(); ++f)
        forEachDistinct(m_faces[f], [&](int p_v) {
            m_vertexFaces[static_cast<std::size_t>(fill[static_cast<std::size_t>(p_v)]++)] =
                static_cast<int>(f);
        });
    m_tried.assign(m_faces.size(), 0u);
}

void SurfaceProjector::buildNeighbours()
{
    if (!m_neighbourStart.empty() || !m_neighbourSource)
        return;
    const std::size_t vertexCount = m_vertices.size();
    m_neighbourStart.assign(vertexCount + 1, 0);
    m_spacing.assign(vertexCount, 0.0f);
    m_reach.assign(vertexCount, 0.0);
    std::set<int> around;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        m_neighbourSource(static_cast<int>(v), around);
        float spacing = FLT_MAX;
        float reach = 0.0f;
        for (int m : around) {
            if (m < 0 || static_cast<std::size_t>(m) >= vertexCount)
                continue;
            m_neighbours.push_back(m);
            const float d =
                NearestVertices::squaredDistance(m_vertices[static_cast<std::size_t>(m)], m_vertices[v]);
            if (d > 0.0f && d < spacing)
                spacing = d;
            reach = std::max(reach, d);
        }
        // 0: every neighbour sits on the vertex itself, so there is no edge to walk.
        m_spacing[v] = spacing < FLT_MAX ? spacing : 0.0f;
        m_reach[v] = std::sqrt(static_cast<double>(reach));
        m_neighbourStart[v + 1] = static_cast<int>(m_neighbours.size());
    }
}

void SurfaceProjector::nearest(const Triplet& p_point)
{
    m_previous.swap(m_nearest);
    m_search.find(p_point, m_count, m_nearest, &m_previous);
    if (++m_query == 0) {
        std::fill(m_tried.begin(), m_tried.end(), 0u);
        m_query = 1;
    }
}

bool SurfaceProjector::faceCandidate(const Triplet& p_point, std::vector<int>& p_nodes,
                                     std::vector<float>& p_weights, double& p_distance)
{
    double& best = p_distance;
    best = DBL_MAX;
    const double pointScale = largestAbs(p_point);
    bool found = false;
    for (const auto& entry : m_nearest) {
        const std::size_t n = static_cast<std::size_t>(entry.second);
        // A triangle around n lies within the reach of n's farthest neighbour, so when n is
        // farther than that from every point nearer than the best face, none of its
        // triangles can replace the best.
        bool trianglesTooFar = false;
        if (best < DBL_MAX && !m_reach.empty()) {
            const double reach = best + m_reach[n] + 1e-5 * (pointScale + m_reach[n]) + 1e-30;
            trianglesTooFar = static_cast<double>(entry.first) > reach * reach;
        }
        for (int k = m_vertexFaceStart[n]; k < m_vertexFaceStart[n + 1]; ++k) {
            const std::size_t f = static_cast<std::size_t>(m_vertexFaces[static_cast<std::size_t>(k)]);
            if (m_tried[f] == m_query)
                continue;
            const FaceRef& ref = m_faces[f];
            if (ref.count == 3 && trianglesTooFar)
                continue;
            m_tried[f] = m_query;
            // A point projected into a triangle lies in its box, so a triangle whose box is
            // farther than the best face so far cannot replace it.
            if (ref.count == 3 && best < DBL_MAX) {
                const Box& box = m_faceBoxes[f];
                double gap = 0.0;
                for (int a = 0; a < 3; ++a) {
                    const double c = p_point[a];
                    const double g = c < box.lo[a] ? box.lo[a] - c : (c > box.hi[a] ? c - box.hi[a] : 0.0);
                    gap += g * g;
                }
                const double reach =
                    best + 1e-5 * std::max(pointScale, static_cast<double>(box.scale)) + 1e-30;
                if (gap > reach * reach)
                    continue;
            }
            Triplet projected;
            float distance = FLT_MAX;
            if (!ref.face->projectPointToFace(p_point, m_vertices, projected, distance) ||
                !(static_cast<double>(distance) < best))
                continue;
            m_scratch.assign(static_cast<std::size_t>(ref.count), 0.0f);
            if (!ref.face->constructBilinearWeights(projected, m_vertices, m_scratch))
                continue;
            p_nodes.resize(static_cast<std::size_t>(ref.count));
            for (int j = 0; j < ref.count; ++j)
                p_nodes[static_cast<std::size_t>(j)] = (*ref.face)[j];
            p_weights.assign(m_scratch.begin(), m_scratch.begin() + ref.count);
            best = distance;
            found = true;
        }
    }
    return found;
}

bool SurfaceProjector::edgeCandidate(const Triplet& p_point, double p_limit, int& p_from, int& p_to,
                                     float& p_t, double& p_distance) const
{
    double best = DBL_MAX;
    bool found = false;
    const double pointScale = largestAbs(p_point);
    for (const auto& entry : m_nearest) {
        const std::size_t n = static_cast<std::size_t>(entry.second);
        const int* around = m_neighbours.data() + m_neighbourStart[n];
        const int aroundCount = m_neighbourStart[n + 1] - m_neighbourStart[n];
        if (aroundCount == 0 || m_spacing[n] == 0.0f)
            continue;
        const Triplet& from = m_vertices[n];
        // Walk points that cannot come nearer than both the best edge point so far and the
        // face candidate change nothing: an edge candidate matters only when it beats the face.
        // The slack covers the rounding of the walk's float points.
        const double slack = 1e-6 * (largestAbs(from) + m_reach[n] + pointScale) + 1e-30;
        double limit = std::min(best, p_limit);
        if (limit < DBL_MAX) {
            const double reach = std::sqrt(limit) + m_reach[n] + slack;
            if (static_cast<double>(entry.first) > reach * reach)
                continue;
        }
        const float step = m_spacing[n] / 20.0f;
        for (int j = 0; j < aroundCount; ++j) {
            const Triplet& to = m_vertices[static_cast<std::size_t>(around[j])];
            limit = std::min(best, p_limit);
            if (limit < DBL_MAX) {
                const double reach = std::sqrt(limit) + slack;
                if (segmentDistance2(from, to, p_point) > reach * reach)
                    continue;
            }
            const float length2 = NearestVertices::squaredDistance(to, from);
            // Clamped while still floating point: a tiny spacing beside a long edge would
            // overflow the int.
            const double steps = static_cast<double>(length2 / step + 1.0f);
            const int count = steps < static_cast<double>(INT_MAX) ? static_cast<int>(steps) : INT_MAX;
            const Triplet along = to - from;
            float previous = FLT_MAX;
            bool first = true;
            for (int i = 1; i < count; ++i) {
                const float t = static_cast<float>(static_cast<double>(i) / count);
                const float d = NearestVertices::squaredDistance(from + along * t, p_point);
                if (!first && !(d < previous))
                    break;
                first = false;
                previous = d;
                if (static_cast<double>(d) < best) {
                    best = d;
                    p_from = static_cast<int>(n);
                    p_to = around[j];
                    p_t = t;
                    found = true;
                }
            }
        }
    }
    p_distance = std::sqrt(best);
    return found;
}

void SurfaceProjector::project(const TripletZEVVector& p_points, HybridInterpolant& p_interpolant,
                               const std::string& p_domain, ProjectionStatistics& p_statistics)
{
    if (m_vertices.empty())
        return;
    buildNeighbours();
    if (p_points.empty())
        return;
    // Points are projected in a space-filling order, so that neighbouring points reuse the
    // same part of the tables in cache; each entry is written straight into its place among
    // the interpolant's records, which are taken out for the time being.
    struct Records {
        HybridInterpolant& interpolant;
        std::vector<HybridInterpolantData> list;
        std::size_t base = 0;
        bool complete = false;
        ~Records()
        {
            if (!complete)
                list.resize(base);
            interpolant.swapInternalData(list);
        }
    } records{p_interpolant, {}, 0, false};
    p_interpolant.swapInternalData(records.list);
    records.base = records.list.size();
    const int domain = p_interpolant.getDomainIndex(p_domain);
    records.list.resize(records.base + p_points.size());
    std::vector<int> nodes;
    std::vector<float> weights;
    for (std::size_t index : spatialOrder(p_points)) {
        const Triplet& point = p_points[index];
        HybridInterpolantData& result = records.list[records.base + index];
        nearest(point);
        if (m_nearest.empty()) {
            // A point with a NaN coordinate lies nowhere: its entry has no vertex, so every
            // value interpolated to it is undefined.
            p_statistics.incNode();
            continue;
        }
        const int node = m_nearest[0].second;
        const std::size_t nodeIndex = static_cast<std::size_t>(node);
        const bool hasSecond = m_nearest.size() > 1;
        const int aroundCount = m_neighbourStart[nodeIndex + 1] - m_neighbourStart[nodeIndex];
        const int* around = aroundCount ? m_neighbours.data() + m_neighbourStart[nodeIndex] : nullptr;
        if (isEquivalent(m_nearest[0].first, hasSecond, hasSecond ? m_nearest[1].first : 0.0,
                         m_vertices[nodeIndex], m_vertices, around, static_cast<std::size_t>(aroundCount))) {
            result = HybridInterpolantData(node);
            p_statistics.incEquivalent();
            continue;
        }
        double faceDistance = DBL_MAX;
        const bool onFace = faceCandidate(point, nodes, weights, faceDistance);
        int from = -1, to = -1;
        float t = 0.0f;
        double edgeDistance = DBL_MAX;
        const bool onEdge =
            edgeCandidate(point, onFace ? faceDistance * faceDistance : DBL_MAX, from, to, t, edgeDistance);
        if (onFace && (!onEdge || edgeDistance >= faceDistance)) {
            result = HybridInterpolantData(nodes.data(), weights.data(), static_cast<int>(nodes.size()));
            result.normalize();
            p_statistics.incFace();
        } else if (onEdge) {
            result = HybridInterpolantData(from, to, 1.0f - t);
            const double length = std::sqrt(static_cast<double>(NearestVertices::squaredDistance(
                m_vertices[static_cast<std::size_t>(to)], m_vertices[static_cast<std::size_t>(from)])));
            if (edgeDistance >= 0.05 * length)
                p_statistics.incFarEdge();
            else
                p_statistics.incEdge();
        } else {
            result = HybridInterpolantData(node);
            p_statistics.incNode();
        }
    }
    for (std::size_t k = records.base; k < records.list.size(); ++k)
        records.list[k].m_domainIndex = domain;
    records.complete = true;
}

void SurfaceProjector::projectVertices(const TripletZEVVector& p_points, std::vector<shapeIndex>& p_faces,
                                       TripletZEVVector& p_projected)
{
    const std::size_t base = p_faces.size();
    p_faces.resize(base + p_points.size());
    p_projected.resize(base + p_points.size());
    for (std::size_t index : spatialOrder(p_points)) {
        const Triplet& point = p_points[index];
        nearest(point);
        bool placed = false;
        for (const auto& entry : m_nearest) {
            const std::size_t n = static_cast<std::size_t>(entry.second);
            for (int k = m_vertexFaceStart[n]; k < m_vertexFaceStart[n + 1] && !placed; ++k) {
                const std::size_t f = static_cast<std::size_t>(m_vertexFaces[static_cast<std::size_t>(k)]);
                if (m_tried[f] == m_query)
                    continue;
                m_tried[f] = m_query;
                const FaceRef& ref = m_faces[f];
                Triplet projected;
                float distance = FLT_MAX;
                if (ref.face->projectPointToFace(point, m_vertices, projected, distance)) {
                    p_faces[base + index] = shapeIndex(ref.set, ref.index, ref.face);
                    p_projected[base + index] = projected;
                    placed = true;
                }
            }
            if (placed)
                break;
        }
        if (!placed) {
            p_faces[base + index] = shapeIndex(-1, -1, nullptr);
            p_projected[base + index] = point;
        }
    }
}

} // namespace zev
