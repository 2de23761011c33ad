#include "zev/search/FaceLineTree.h"

#include "zev/search/LineQueries.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace zev {

namespace {

constexpr int kLeafSize = 4;
constexpr int kBins = 16;
// Below this depth splits follow the surface-area heuristic; deeper ones halve the list,
// which bounds the depth (and the search stack) for any input.
constexpr int kHeuristicDepth = 48;
constexpr int kStackSize = 256;
// Rounding allowance of the box tests relative to the coordinates involved; the exact tests
// accept points within a few float roundings of a face, far inside it.
constexpr float kPadding = 1e-5f;

float surfaceArea(const float* p_lo, const float* p_hi)
{
    const float dx = p_hi[0] - p_lo[0];
    const float dy = p_hi[1] - p_lo[1];
    const float dz = p_hi[2] - p_lo[2];
    return dx * dy + dy * dz + dz * dx;
}

void emptyBox(float* p_lo, float* p_hi)
{
    for (int c = 0; c < 3; ++c) {
        p_lo[c] = std::numeric_limits<float>::max();
        p_hi[c] = -std::numeric_limits<float>::max();
    }
}

void growBox(float* p_lo, float* p_hi, const float* p_otherLo, const float* p_otherHi)
{
    for (int c = 0; c < 3; ++c) {
        p_lo[c] = std::min(p_lo[c], p_otherLo[c]);
        p_hi[c] = std::max(p_hi[c], p_otherHi[c]);
    }
}

// The smallest order of a face that p_hitsTriangle(face, k, hit) accepts for one of its fan
// triangles (corners 0, k, k + 1), or INT_MAX. Nodes whose boxes p_meetsBox rejects are
// skipped, and so are nodes and faces that cannot beat the best hit so far. p_hitsTriangle
// fills hit when it accepts; p_hit receives the hit of the face returned and is left alone
// when there is none.
template <class Node, class Face, class MeetsBox, class HitsTriangle, class Hit>
int firstHitOrder(const std::vector<Node>& p_nodes, const std::vector<Face>& p_faces,
                  const MeetsBox& p_meetsBox, const HitsTriangle& p_hitsTriangle, Hit& p_hit)
{
    int best = INT_MAX;
    int stack[kStackSize];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = p_nodes[static_cast<std::size_t>(stack[--top])];
        if (node.minOrder >= best || !p_meetsBox(node))
            continue;
        if (node.count > 0) {
            for (int i = node.first; i < node.first + node.count; ++i) {
                const Face& face = p_faces[static_cast<std::size_t>(i)];
                if (face.order >= best)
                    continue;
                for (int k = 1; k + 1 < face.numCorners; ++k) {
                    Hit hit{};
                    if (p_hitsTriangle(face, k, hit)) {
                        best = face.order;
                        p_hit = hit;
                        break;
                    }
                }
            }
            continue;
        }
        // The child holding the earlier faces is searched first, so that its hit prunes
        // the other.
        const int left = static_cast<int>(&node - p_nodes.data()) + 1;
        const int right = node.first;
        const bool leftFirst = p_nodes[static_cast<std::size_t>(left)].minOrder <=
                               p_nodes[static_cast<std::size_t>(right)].minOrder;
        stack[top++] = leftFirst ? right : left;
        stack[top++] = leftFirst ? left : right;
    }
    return best;
}

} // namespace

FaceLineTree::~FaceLineTree() = default;

bool FaceLineTree::matches(const std::vector<const ShapeSet*>& p_sets,
                           const TripletZEVVector& p_vertices) const
{
    if (!m_built || p_sets != m_sets || m_vertexData != p_vertices.floatData() ||
        m_vertexCount != p_vertices.size())
        return false;
    for (std::size_t s = 0; s < p_sets.size(); ++s)
        if ((p_sets[s] ? p_sets[s]->size() : 0) != m_setSizes[s])
            return false;
    return true;
}

bool FaceLineTree::build(const std::vector<const ShapeSet*>& p_sets, const TripletZEVVector& p_vertices)
{
    m_built = false;
    m_nodes.clear();
    m_faces.clear();
    for (const ShapeSet* set : p_sets)
        if (set && set->getType() != TRI && set->getType() != QUAD)
            return false;

    std::vector<Face> unordered;
    m_setOffsets.assign(1, 0);
    m_setSizes.clear();
    std::size_t total = 0;
    for (const ShapeSet* set : p_sets)
        total += set ? set->size() : 0;
    if (total > static_cast<std::size_t>(INT_MAX))
        return false;
    unordered.reserve(total);
    m_magnitude = 0.0f;
    for (const ShapeSet* set : p_sets) {
        const std::size_t size = set ? set->size() : 0;
        for (std::size_t i = 0; i < size; ++i) {
            const Shape& shape = (*set)[i];
            Face face;
            face.numCorners = shape.getNumVertices();
            face.order = static_cast<int>(unordered.size());
            for (int k = 0; k < face.numCorners; ++k) {
                face.corner[k] = p_vertices[static_cast<std::size_t>(shape[k])];
                for (int c = 0; c < 3; ++c)
                    m_magnitude = std::max(m_magnitude, std::fabs(face.corner[k][c]));
            }
            unordered.push_back(face);
        }
        m_setSizes.push_back(size);
        m_setOffsets.push_back(static_cast<int>(unordered.size()));
    }

    const std::size_t n = unordered.size();
    std::vector<float> boxes(6 * n);
    std::vector<float> centres(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        float* lo = &boxes[6 * i];
        float* hi = lo + 3;
        emptyBox(lo, hi);
        for (int k = 0; k < unordered[i].numCorners; ++k)
            growBox(lo, hi, unordered[i].corner[k].data(), unordered[i].corner[k].data());
        for (int c = 0; c < 3; ++c)
            centres[3 * i + c] = 0.5f * lo[c] + 0.5f * hi[c];
    }
    std::vector<int> ids(n);
    for (std::size_t i = 0; i < n; ++i)
        ids[i] = static_cast<int>(i);
    m_faces.reserve(n);
    m_nodes.reserve(n / 2 + 1);
    if (n > 0)
        buildNode(ids, 0, static_cast<int>(n), boxes, centres, unordered, 0);

    m_sets = p_sets;
    m_vertexData = p_vertices.floatData();
    m_vertexCount = p_vertices.size();
    m_built = true;
    return true;
}

int FaceLineTree::buildNode(std::vector<int>& p_ids, int p_begin, int p_end,
                            const std::vector<float>& p_boxes, const std::vector<float>& p_centres,
                            std::vector<Face>& p_unordered, int p_depth)
{
    const int index = static_cast<int>(m_nodes.size());
    m_nodes.push_back(Node());
    Node node;
    float centreLo[3];
    float centreHi[3];
    emptyBox(node.lo, node.hi);
    emptyBox(centreLo, centreHi);
    for (int i = p_begin; i < p_end; ++i) {
        const std::size_t id = static_cast<std::size_t>(p_ids[static_cast<std::size_t>(i)]);
        growBox(node.lo, node.hi, &p_boxes[6 * id], &p_boxes[6 * id + 3]);
        growBox(centreLo, centreHi, &p_centres[3 * id], &p_centres[3 * id]);
    }
    const int count = p_end - p_begin;

    auto makeLeaf = [&]() {
        node.first = static_cast<int>(m_faces.size());
        node.count = count;
        node.minOrder = INT_MAX;
        for (int i = p_begin; i < p_end; ++i) {
            const Face& face = p_unordered[static_cast<std::size_t>(p_ids[static_cast<std::size_t>(i)])];
            node.minOrder = std::min(node.minOrder, face.order);
            m_faces.push_back(face);
        }
        m_nodes[static_cast<std::size_t>(index)] = node;
        return index;
    };
    if (count <= kLeafSize)
        return makeLeaf();

    int axis = 0;
    for (int c = 1; c < 3; ++c)
        if (centreHi[c] - centreLo[c] > centreHi[axis] - centreLo[axis])
            axis = c;
    const float extent = centreHi[axis] - centreLo[axis];
    auto first = p_ids.begin() + p_begin;
    auto last = p_ids.begin() + p_end;
    auto centreOf = [&](int p_id) { return p_centres[3 * static_cast<std::size_t>(p_id) + axis]; };

    int mid = p_begin + count / 2;
    bool split = false;
    if (p_depth < kHeuristicDepth && extent > 0.0f) {
        // Binned surface-area heuristic along the widest spread of face centres.
        struct Bin {
            float lo[3];
            float hi[3];
            int count = 0;
        };
        Bin bins[kBins];
        for (Bin& bin : bins)
            emptyBox(bin.lo, bin.hi);
        const float scale = kBins / extent;
        auto binOf = [&](int p_id) {
            const int b = static_cast<int>((centreOf(p_id) - centreLo[axis]) * scale);
            return std::min(std::max(b, 0), kBins - 1);
        };
        for (auto it = first; it != last; ++it) {
            Bin& bin = bins[binOf(*it)];
            ++bin.count;
            const std::size_t id = static_cast<std::size_t>(*it);
            growBox(bin.lo, bin.hi, &p_boxes[6 * id], &p_boxes[6 * id + 3]);
        }
        float rightArea[kBins];
        int rightCount[kBins];
        float lo[3];
        float hi[3];
        emptyBox(lo, hi);
        int running = 0;
        for (int b = kBins - 1; b > 0; --b) {
            growBox(lo, hi, bins[b].lo, bins[b].hi);
            running += bins[b].count;
            rightArea[b] = running > 0 ? surfaceArea(lo, hi) : 0.0f;
            rightCount[b] = running;
        }
        emptyBox(lo, hi);
        running = 0;
        float bestCost = std::numeric_limits<float>::max();
        int bestBin = -1;
        for (int b = 1; b < kBins; ++b) {
            growBox(lo, hi, bins[b - 1].lo, bins[b - 1].hi);
            running += bins[b - 1].count;
            if (running == 0 || rightCount[b] == 0)
                continue;
            const float cost = running * surfaceArea(lo, hi) + rightCount[b] * rightArea[b];
            if (cost < bestCost) {
                bestCost = cost;
                bestBin = b;
            }
        }
        if (bestBin > 0) {
            auto middle = std::partition(first, last, [&](int p_id) { return binOf(p_id) < bestBin; });
            mid = static_cast<int>(middle - p_ids.begin());
            split = mid > p_begin && mid < p_end;
        }
    }
    if (!split) {
        mid = p_begin + count / 2;
        std::nth_element(first, p_ids.begin() + mid, last,
                         [&](int p_a, int p_b) { return centreOf(p_a) < centreOf(p_b); });
    }

    const int left = buildNode(p_ids, p_begin, mid, p_boxes, p_centres, p_unordered, p_depth + 1);
    const int right = buildNode(p_ids, mid, p_end, p_boxes, p_centres, p_unordered, p_depth + 1);
    node.first = right;
    node.count = 0;
    node.minOrder = std::min(m_nodes[static_cast<std::size_t>(left)].minOrder,
                             m_nodes[static_cast<std::size_t>(right)].minOrder);
    m_nodes[static_cast<std::size_t>(index)] = node;
    return index;
}

bool FaceLineTree::toSetAndFace(int p_order, int& p_set, int& p_face) const
{
    if (p_order == INT_MAX)
        return false;
    const auto it = std::upper_bound(m_setOffsets.begin(), m_setOffsets.end(), p_order);
    p_set = static_cast<int>(it - m_setOffsets.begin()) - 1;
    p_face = p_order - m_setOffsets[static_cast<std::size_t>(p_set)];
    return true;
}

float FaceLineTree::padding(const Triplet& p_point) const
{
    const float point =
        std::max(std::fabs(p_point[0]), std::max(std::fabs(p_point[1]), std::fabs(p_point[2])));
    return kPadding * (m_magnitude + point);
}

bool FaceLineTree::firstLineHit(const Triplet& p_point, const Triplet& p_direction, int& p_set, int& p_face,
                                float& p_t) const
{
    if (!m_built || m_nodes.empty())
        return false;
    const float pad = padding(p_point);
    float inverse[3];
    bool along[3];
    for (int c = 0; c < 3; ++c) {
        along[c] = p_direction[c] != 0.0f;
        inverse[c] = along[c] ? 1.0f / p_direction[c] : 0.0f;
    }
    auto meetsBox = [&](const Node& p_node) {
        float enter = -std::numeric_limits<float>::infinity();
        float leave = std::numeric_limits<float>::infinity();
        for (int c = 0; c < 3; ++c) {
            const float lo = p_node.lo[c] - pad;
            const float hi = p_node.hi[c] + pad;
            if (!along[c]) {
                if (p_point[c] < lo || p_point[c] > hi)
                    return false;
                continue;
            }
            float t1 = (lo - p_point[c]) * inverse[c];
            float t2 = (hi - p_point[c]) * inverse[c];
            if (t1 > t2)
                std::swap(t1, t2);
            enter = std::max(enter, t1);
            leave = std::min(leave, t2);
        }
        return enter <= leave;
    };

    auto hitsTriangle = [&](const Face& p_face, int p_k, float& p_hitT) {
        return LineQueries::intersectsTriangle(p_point, p_direction, p_face.corner[0], p_face.corner[p_k],
                                               p_face.corner[p_k + 1], p_hitT, false, true);
    };
    return toSetAndFace(firstHitOrder(m_nodes, m_faces, meetsBox, hitsTriangle, p_t), p_set, p_face);
}

bool FaceLineTree::firstCircleHit(const Triplet& p_centre, const Triplet& p_axis, double p_radius, int& p_set,
                                  int& p_face, Triplet& p_hit) const
{
    if (!m_built || m_nodes.empty() || p_radius == 0.0)
        return false;
    const Triplet unit = LineQueries::normalised(p_axis);
    const double axis[3] = {unit[0], unit[1], unit[2]};
    const float centreMagnitude =
        std::max(std::fabs(p_centre[0]), std::max(std::fabs(p_centre[1]), std::fabs(p_centre[2])));
    const double pad = static_cast<double>(kPadding) * (m_magnitude + centreMagnitude + p_radius);
    // A box can hold part of the circle only if its heights about the centre span 0 and its
    // radial distances from the axis span the radius. Both are bounded from the box centre:
    // height by the half extents along the axis, radial distance by the half diagonal.
    auto meetsBox = [&](const Node& p_node) {
        double r[3];
        double half[3];
        double height = 0.0;
        double heightSpan = 0.0;
        double diagonal = 0.0;
        for (int c = 0; c < 3; ++c) {
            r[c] = 0.5 * (static_cast<double>(p_node.lo[c]) + p_node.hi[c]) - p_centre[c];
            half[c] = 0.5 * (static_cast<double>(p_node.hi[c]) - p_node.lo[c]) + pad;
            height += r[c] * axis[c];
            heightSpan += half[c] * std::fabs(axis[c]);
            diagonal += half[c] * half[c];
        }
        if (std::fabs(height) > heightSpan)
            return false;
        double radial = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double perpendicular = r[c] - height * axis[c];
            radial += perpendicular * perpendicular;
        }
        radial = std::sqrt(radial);
        diagonal = std::sqrt(diagonal);
        return radial - diagonal <= p_radius && radial + diagonal >= p_radius;
    };

    auto hitsTriangle = [&](const Face& p_face, int p_k, Triplet& p_at) {
        return LineQueries::intersectsTriangleWithCircle(p_centre, p_axis, p_radius, p_face.corner[0],
                                                         p_face.corner[p_k], p_face.corner[p_k + 1], p_at);
    };
    return toSetAndFace(firstHitOrder(m_nodes, m_faces, meetsBox, hitsTriangle, p_hit), p_set, p_face);
}

} // namespace zev
