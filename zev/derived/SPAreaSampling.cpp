// Equally spaced sampling of SPGeometryInternal: faces much larger than the area per point
// are refined into quadrilaterals, then a front walks across the faces through shared edges,
// gathering faces into a patch until it holds one point's worth of area, and places a point
// on each patch (or, in the random variant, a random number of random points in proportion
// to the patch's area).

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/derived/SPGeometryInternal.h"
#include "zev/derived/SurfaceGroupGeometry.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/shapes/Edge.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

namespace zev {

namespace {

const char* const kClass = "SPGeometryInternal";

// Refinement depth beyond what the area ratio needs; bounds the work on faces whose pieces
// do not shrink as expected.
const int kDepthSlack = 2;
const int kMaxDepth = 30;

std::uint64_t edgeKey(const Edge& p_edge)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p_edge.firstVertex())) << 32) |
           static_cast<std::uint32_t>(p_edge.secondVertex());
}

} // namespace

const Shape& SPGeometryInternal::faceOf(int p_face) const
{
    const FaceRef& ref = m_faces[static_cast<std::size_t>(p_face)];
    return (*ref.set)[static_cast<std::size_t>(ref.index)];
}

template <class Visit> void SPGeometryInternal::forEachFaceArea(const Visit& p_visit)
{
    Triplet areaVector;
    for (const std::string& name : getFaceSetNames()) {
        ShapeSet* set = getFaceSet(name);
        if (set == nullptr)
            continue;
        for (std::size_t f = 0; f < set->size(); ++f)
            p_visit(set, f, (*set)[f].getArea(m_vertices, areaVector));
    }
}

void SPGeometryInternal::collectFaces()
{
    m_faces.clear();
    m_faceAreas.clear();
    forEachFaceArea([&](ShapeSet* p_set, std::size_t p_index, float p_area) {
        m_faces.push_back(FaceRef{p_set, static_cast<int>(p_index)});
        m_faceAreas.push_back(p_area);
    });
    m_excluded.assign(m_faces.size(), 0);
    for (std::size_t f = 0; f < m_faces.size(); ++f)
        for (const FaceRef& ref : m_excludedRefs)
            if (ref.set == m_faces[f].set && ref.index == m_faces[f].index)
                m_excluded[f] = 1;
}

int SPGeometryInternal::getNumExcludedFaces() const
{
    return static_cast<int>(m_excludedRefs.size());
}

std::array<int, 2> SPGeometryInternal::getEdgeFaces(int p_a, int p_b) const
{
    const Edge wanted(p_a, p_b);
    for (std::size_t f = 0; f < m_faces.size(); ++f) {
        if (m_excluded[f])
            continue;
        const Shape& face = faceOf(static_cast<int>(f));
        const int n = face.getNumVertices();
        for (int k = 0; k < n; ++k)
            if (Edge(face[k], face[(k + 1) % n]) == wanted)
                return m_edgeFaces[static_cast<std::size_t>(m_edgeOffsets[f] + k)];
    }
    return {-1, -1};
}

// ------------------------------------------------------------------ refinement

int SPGeometryInternal::appendCopyVertex(const Triplet& p_point, int p_numberOf, const int* p_corners,
                                         const float* p_weights, int p_n)
{
    const int index = getNumVertices();
    if (!m_vertDomainESNum.empty()) {
        const auto at = static_cast<std::size_t>(p_numberOf);
        m_vertDomainESNum.push_back(at < m_vertDomainESNum.size() ? m_vertDomainESNum[at] : -1);
    }
    if (m_copyRecords) {
        HybridInterpolantData record;
        std::string domain;
        combinedRecord(p_corners, p_weights, p_n, record, domain);
        m_copyRecords->pushVertex(record, domain);
    }
    m_vertices.push_back(p_point);
    return index;
}

int SPGeometryInternal::midpoint(int p_a, int p_b)
{
    const Edge edge(p_a, p_b);
    const auto found = m_midpoints.find(edge);
    if (found != m_midpoints.end())
        return found->second;
    const Triplet point =
        (m_vertices[static_cast<std::size_t>(p_a)] + m_vertices[static_cast<std::size_t>(p_b)]) / 2.0f;
    std::vector<float> weights;
    edge.constructWeights(point, m_vertices, weights);
    const int ends[2] = {edge.firstVertex(), edge.secondVertex()};
    // A midpoint takes the element-set number of the edge's first corner in face order.
    const int index = appendCopyVertex(point, p_a, ends, weights.data(), 2);
    m_midpoints.emplace(edge, index);
    return index;
}

void SPGeometryInternal::refineFace(const Shape& p_face, float p_threshold, int p_depthLeft,
                                    std::vector<std::array<int, 4>>& p_quads)
{
    const int n = p_face.getNumVertices();
    if (n < 3)
        return;
    std::vector<int> corners(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        corners[static_cast<std::size_t>(k)] = p_face[k];
    std::vector<int> mids(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        mids[static_cast<std::size_t>(k)] =
            midpoint(corners[static_cast<std::size_t>(k)], corners[static_cast<std::size_t>((k + 1) % n)]);
    const Triplet centroid = p_face.calcCentroid(m_vertices);
    std::vector<float> weights;
    faceWeights(p_face, centroid, m_vertices, weights);
    const int centre = appendCopyVertex(centroid, corners[0], corners.data(), weights.data(),
                                        std::min(n, static_cast<int>(weights.size())));

    Triplet areaVector;
    for (int k = 0; k < n; ++k) {
        Quad quad;
        quad[0] = mids[static_cast<std::size_t>((k + n - 1) % n)];
        quad[1] = corners[static_cast<std::size_t>(k)];
        quad[2] = mids[static_cast<std::size_t>(k)];
        quad[3] = centre;
        const float area = quad.getArea(m_vertices, areaVector);
        if (area <= p_threshold || p_depthLeft <= 0 || !std::isfinite(area))
            p_quads.push_back({quad[0], quad[1], quad[2], quad[3]});
        else
            refineFace(quad, p_threshold, p_depthLeft - 1, p_quads);
    }
}

void SPGeometryInternal::refineFaces(float p_threshold)
{
    if (!(p_threshold > 0.0f) || !std::isfinite(p_threshold))
        return;
    std::vector<std::array<int, 4>> quads;
    std::vector<FaceRef> refined;
    m_midpoints.clear();
    forEachFaceArea([&](ShapeSet* p_set, std::size_t p_index, float p_area) {
        if (!std::isfinite(p_area) || !(p_area > p_threshold))
            return;
        if (refined.empty() && m_outInterpolant) {
            // From now on the copy keeps a record per vertex, so that the vertices added
            // here can be recorded in terms of the parent domains.
            std::unique_ptr<HybridInterpolant> records(new HybridInterpolant(getDomain()));
            records->reserve(m_vertices.size());
            HybridInterpolantData record;
            std::string domain;
            for (int v = 0; v < getNumVertices(); ++v) {
                vertexRecord(v, record, domain);
                records->pushVertex(record, domain);
            }
            m_copyRecords = records.get();
            setInterpolant(records.release());
        }
        const int depth =
            std::min(kMaxDepth, static_cast<int>(std::ceil(std::log(p_area / p_threshold) / std::log(4.0))) +
                                    kDepthSlack);
        refineFace((*p_set)[p_index], p_threshold, depth, quads);
        refined.push_back(FaceRef{p_set, static_cast<int>(p_index)});
    });
    m_midpoints.clear();
    if (refined.empty())
        return;

    m_changed = true;
    ShapeSet* quadSet = getFaceSet(QUAD);
    if (quadSet == nullptr) {
        // "QUAD" may already name a set of another shape type.
        std::string name = "QUAD";
        for (int k = 1; getFaceSet(name) != nullptr; ++k)
            name = "QUAD" + std::to_string(k);
        quadSet = addFaceSet(name, QUAD, 0, 1.0);
    }
    const std::size_t first = quadSet->size();
    quadSet->resize(first + quads.size());
    for (std::size_t q = 0; q < quads.size(); ++q)
        for (int c = 0; c < 4; ++c)
            (*quadSet)[first + q][c] = quads[q][static_cast<std::size_t>(c)];
    m_excludedRefs.insert(m_excludedRefs.end(), refined.begin(), refined.end());
    TripletZEVVector(m_vertices).swap(m_vertices); // releases the spare capacity
}

// ------------------------------------------------------------------ edge map

bool SPGeometryInternal::createEdgeFaceListMap(bool p_parentIsSurfaceGroup)
{
    if (getFaceSetNames().empty())
        throw internal::error(kClass, "createEdgeFaceListMap",
                              SystemMsg("Geometry '%1' does not contain faces.").arg(getName()));
    collectFaces();
    const std::size_t numFaces = m_faces.size();
    m_edgeOffsets.assign(numFaces + 1, 0);
    for (std::size_t f = 0; f < numFaces; ++f)
        m_edgeOffsets[f + 1] = m_edgeOffsets[f] + faceOf(static_cast<int>(f)).getNumVertices();
    m_edgeFaces.assign(static_cast<std::size_t>(m_edgeOffsets[numFaces]), std::array<int, 2>{-1, -1});

    // Every face edge as (edge, slot, face), sorted by edge and then face order: the first two
    // faces met at an edge are the ones it records.
    struct Entry {
        std::uint64_t key;
        int slot;
        int face;
    };
    std::vector<Entry> entries;
    entries.reserve(m_edgeFaces.size());
    for (std::size_t f = 0; f < numFaces; ++f) {
        if (m_excluded[f])
            continue;
        const Shape& face = faceOf(static_cast<int>(f));
        const int n = face.getNumVertices();
        for (int k = 0; k < n; ++k)
            entries.push_back(
                Entry{edgeKey(Edge(face[k], face[(k + 1) % n])), m_edgeOffsets[f] + k, static_cast<int>(f)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& p_a, const Entry& p_b) {
        return p_a.key < p_b.key || (p_a.key == p_b.key && p_a.slot < p_b.slot);
    });
    std::vector<std::size_t> freeEdges; // index of the entry of each edge with one face
    for (std::size_t i = 0; i < entries.size();) {
        std::size_t j = i + 1;
        while (j < entries.size() && entries[j].key == entries[i].key)
            ++j;
        const std::array<int, 2> faces{entries[i].face, j - i > 1 ? entries[i + 1].face : -1};
        for (std::size_t k = i; k < j; ++k)
            m_edgeFaces[static_cast<std::size_t>(entries[k].slot)] = faces;
        if (j - i == 1)
            freeEdges.push_back(i);
        i = j;
    }

    if (p_parentIsSurfaceGroup) {
        // Members' boundary edges whose end points coincide exactly (in either order) are
        // joined, pairing them in edge order.
        auto canonical = [](float p_v) { return p_v == 0.0f ? 0.0f : p_v; }; // -0 equals 0
        struct Key {
            float c[6];
            bool operator==(const Key& p_o) const { return std::equal(c, c + 6, p_o.c); }
        };
        struct KeyHash {
            std::size_t operator()(const Key& p_k) const
            {
                std::size_t h = 1469598103934665603ull;
                for (float v : p_k.c)
                    h = (h ^ std::hash<float>()(v)) * 1099511628211ull;
                return h;
            }
        };
        std::unordered_map<Key, std::size_t, KeyHash> pending; // key -> entry waiting for a partner
        for (std::size_t i : freeEdges) {
            const Entry& entry = entries[i];
            const auto a = static_cast<std::size_t>(entry.key >> 32);
            const auto b = static_cast<std::size_t>(entry.key & 0xFFFFFFFFu);
            if (a >= m_vertices.size() || b >= m_vertices.size())
                continue;
            Triplet p = m_vertices[a], q = m_vertices[b];
            bool usable = true;
            for (int c = 0; c < 3; ++c) {
                p[c] = canonical(p[c]);
                q[c] = canonical(q[c]);
                usable = usable && !std::isnan(p[c]) && !std::isnan(q[c]);
            }
            if (!usable)
                continue;
            if (std::lexicographical_compare(q.data(), q.data() + 3, p.data(), p.data() + 3))
                std::swap(p, q);
            const Key key{{p[0], p[1], p[2], q[0], q[1], q[2]}};
            const auto found = pending.find(key);
            if (found == pending.end()) {
                pending.emplace(key, i);
                continue;
            }
            const Entry& other = entries[found->second];
            m_edgeFaces[static_cast<std::size_t>(entry.slot)][1] = other.face;
            m_edgeFaces[static_cast<std::size_t>(other.slot)][1] = entry.face;
            pending.erase(found);
        }
    }
    return true;
}

// ------------------------------------------------------------------ the front

int SPGeometryInternal::doAreaSampling(int p_count, bool p_random, const std::string& p_accuracy,
                                       HybridInterpolant* p_interpolant, TripletZEVVector& p_points,
                                       TripletZEVVector* p_normals, std::vector<int>& p_setNumbers)
{
    m_outInterpolant = p_interpolant;
    m_outPoints = &p_points;
    m_outNormals = p_normals;
    m_outSetNumbers = &p_setNumbers;
    if (p_count < 1)
        return 0;
    if (p_accuracy != "Low")
        p_random = false; // the random variant places random points only at low accuracy

    m_targetArea = static_cast<float>(m_totalArea / (static_cast<double>(p_count) + 0.25));
    if (p_accuracy == "High" || p_accuracy == "Medium") {
        const float f = p_accuracy == "High" ? 1.0f : 0.5f;
        refineFaces((2.0f - f) * 0.5f * m_targetArea);
    }
    if (m_changed) {
        if (!createEdgeFaceListMap(dynamic_cast<const SurfaceGroupGeometry*>(m_parent) != nullptr))
            return 0;
    }
    m_changed = false;

    const std::size_t numFaces = m_faces.size();
    m_candidate.assign(numFaces, 0);
    std::size_t numCandidates = 0;
    for (std::size_t f = 0; f < numFaces; ++f)
        if (!m_excluded[f]) {
            m_candidate[f] = 1;
            ++numCandidates;
        }
    if (numCandidates == 0)
        throw internal::error(kClass, "doAreaSampling", SystemMsg("Cannot find a starting face."));

    double g = 0.9;
    if (numCandidates > 2 * static_cast<std::size_t>(p_count)) {
        const double x = static_cast<double>(numCandidates) / static_cast<double>(p_count);
        g = x < 50.0 ? std::tanh(x) : 1.0;
    }
    const float spacing = static_cast<float>(g * static_cast<double>(m_targetArea));
    // A spacing that is not a positive finite area would never fill a patch.
    if (!(spacing > 0.0f) || !std::isfinite(spacing))
        return 0;

    const int limit = static_cast<int>(std::min(static_cast<double>(p_count) * 1.33, 2147483647.0));
    ProgressTracker progress;
    progress.add("Area Sampling", 1.0);
    progress.start("Area Sampling", limit);

    m_visited.assign(numFaces, 0);
    m_inFront.assign(numFaces, 0);
    m_tried.assign(numFaces, 0);
    m_stamp = 0;
    m_front.clear();
    m_frontHead = 0;
    m_carried = 0.0f;
    m_firstCandidate = 0;
    int total = 0;
    while (true) {
        if (m_frontHead == m_front.size()) {
            while (m_firstCandidate < numFaces && !m_candidate[m_firstCandidate])
                ++m_firstCandidate;
            if (m_firstCandidate == numFaces)
                break;
            m_front.clear();
            m_frontHead = 0;
            m_front.push_back(static_cast<int>(m_firstCandidate));
            m_inFront[m_firstCandidate] = 1;
        }
        const int placed = advanceFront(spacing, p_random);
        total += placed;
        for (int k = 0; k < placed; ++k)
            progress.increment();
        if (total >= limit)
            break;
    }
    return total;
}

bool SPGeometryInternal::grow(float p_spacing)
{
    if (m_accumulated >= p_spacing)
        return false;
    while (m_localHead < m_local.size() && m_visited[static_cast<std::size_t>(m_local[m_localHead])])
        ++m_localHead;
    if (m_localHead == m_local.size())
        return false;
    const int face = m_local[m_localHead++];
    const auto f = static_cast<std::size_t>(face);
    m_visited[f] = 1;
    m_candidate[f] = 0;
    m_patch.push_back(face);
    if (std::isfinite(m_faceAreas[f]))
        m_accumulated += m_faceAreas[f];
    const int n = faceOf(face).getNumVertices();
    for (int k = 0; k < n; ++k)
        for (int other : m_edgeFaces[static_cast<std::size_t>(m_edgeOffsets[f] + k)])
            if (other >= 0 && other != face && !m_visited[static_cast<std::size_t>(other)])
                m_local.push_back(other);
    return true;
}

int SPGeometryInternal::advanceFront(float p_spacing, bool p_random)
{
    int start = -1;
    while (m_frontHead < m_front.size()) {
        const int face = m_front[m_frontHead++];
        m_inFront[static_cast<std::size_t>(face)] = 0;
        if (!m_visited[static_cast<std::size_t>(face)]) {
            start = face;
            break;
        }
    }
    if (m_frontHead > 4096 && m_frontHead * 2 > m_front.size()) {
        m_front.erase(m_front.begin(), m_front.begin() + static_cast<std::ptrdiff_t>(m_frontHead));
        m_frontHead = 0;
    }
    if (start < 0)
        return 0;

    m_patch.clear();
    m_local.clear();
    m_local.push_back(start);
    m_localHead = 0;
    m_accumulated = m_carried;
    if (!grow(p_spacing))
        return 0;
    while (true) {
        if (m_localHead < m_local.size()) {
            if (m_accumulated >= p_spacing) {
                // The area beyond the spacing carries over; beyond whole spacings it is dropped,
                // which keeps the carried area below one spacing.
                m_carried = std::fmod(m_accumulated - p_spacing, p_spacing);
                break;
            }
            if (!grow(p_spacing))
                return 0;
        } else {
            if (m_accumulated <= p_spacing * 0.5f)
                return 0;
            break;
        }
    }
    for (std::size_t k = m_localHead; k < m_local.size(); ++k) {
        const auto f = static_cast<std::size_t>(m_local[k]);
        if (!m_inFront[f]) {
            m_front.push_back(m_local[k]);
            m_inFront[f] = 1;
        }
    }
    if (m_patch.empty())
        return 0;
    return placePatchPoint(p_spacing, p_random);
}

int SPGeometryInternal::placePatchPoint(float p_spacing, bool p_random)
{
    std::sort(m_patch.begin(), m_patch.end());
    const std::size_t before = m_outPoints->size();
    if (p_random) {
        const float q = m_accumulated / p_spacing;
        int k = static_cast<int>(std::floor(q));
        if (m_random->uniform() < q - std::floor(q))
            ++k;
        // Each face's interval is its share of the accumulated area; the carried part belongs
        // to no face, so draws falling there place nothing.
        std::vector<double> low, high;
        std::vector<int> owner;
        double sum = 0.0;
        for (int face : m_patch) {
            const float area = m_faceAreas[static_cast<std::size_t>(face)];
            if (!std::isfinite(area))
                continue;
            const double fraction = static_cast<double>(area) / static_cast<double>(m_accumulated);
            if (fraction >= FLT_EPSILON) {
                low.push_back(sum);
                high.push_back(sum + fraction);
                owner.push_back(face);
            }
            sum += fraction;
        }
        std::vector<int> hits(owner.size(), 0);
        for (int d = 0; d < k; ++d) {
            const double u = m_random->uniform();
            const auto at = std::lower_bound(high.begin(), high.end(), u);
            const auto r = static_cast<std::size_t>(at - high.begin());
            if (at != high.end() && low[r] <= u)
                ++hits[r];
        }
        for (std::size_t r = 0; r < owner.size(); ++r)
            if (hits[r] > 0)
                appendRandomFacePoints(faceOf(owner[r]), hits[r]);
        return static_cast<int>(m_outPoints->size() - before);
    }

    // The patch's vertices, nearest to their mean first.
    std::vector<std::pair<int, int>> uses; // (vertex, face)
    for (int face : m_patch) {
        const Shape& shape = faceOf(face);
        for (int k = 0; k < shape.getNumVertices(); ++k)
            uses.emplace_back(shape[k], face);
    }
    if (uses.empty())
        return 0;
    std::sort(uses.begin(), uses.end());
    std::vector<int> vertices;
    for (const auto& use : uses)
        if (vertices.empty() || vertices.back() != use.first)
            vertices.push_back(use.first);
    double mean[3] = {0.0, 0.0, 0.0};
    for (int v : vertices)
        for (int c = 0; c < 3; ++c)
            mean[c] += static_cast<double>(m_vertices[static_cast<std::size_t>(v)][c]);
    const Triplet centre(static_cast<float>(mean[0] / vertices.size()),
                         static_cast<float>(mean[1] / vertices.size()),
                         static_cast<float>(mean[2] / vertices.size()));
    std::vector<std::pair<float, int>> order;
    order.reserve(vertices.size());
    for (int v : vertices) {
        const Triplet d = m_vertices[static_cast<std::size_t>(v)] - centre;
        order.emplace_back(d.dot(d), v);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const std::pair<float, int>& p_a, const std::pair<float, int>& p_b) {
                         return p_a.first < p_b.first;
                     });

    ++m_stamp;
    int hitFace = -1;
    Triplet point;
    for (const auto& entry : order) {
        auto range = std::equal_range(uses.begin(), uses.end(), std::make_pair(entry.second, 0),
                                      [](const std::pair<int, int>& p_a, const std::pair<int, int>& p_b) {
                                          return p_a.first < p_b.first;
                                      });
        for (auto it = range.first; it != range.second && hitFace < 0; ++it) {
            const auto f = static_cast<std::size_t>(it->second);
            if (m_tried[f] == m_stamp)
                continue;
            m_tried[f] = m_stamp;
            float distance = 0.0f;
            if (faceOf(it->second).projectPointToFace(centre, m_vertices, point, distance))
                hitFace = it->second;
        }
        if (hitFace >= 0)
            break;
    }
    if (hitFace < 0) {
        const auto first =
            std::lower_bound(uses.begin(), uses.end(), std::make_pair(order.front().second, 0));
        hitFace = first->second;
        point = faceOf(hitFace).calcCentroid(m_vertices);
    }
    if (FloatUtilities::isUndef(point[0]) || FloatUtilities::isUndef(point[1]) ||
        FloatUtilities::isUndef(point[2]))
        return 0;
    appendFacePoint(faceOf(hitFace), point, nullptr, nullptr);
    return 1;
}

} // namespace zev
