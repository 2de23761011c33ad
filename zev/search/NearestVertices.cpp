#include "zev/search/NearestVertices.h"

#include <algorithm>
#include <cmath>

namespace zev {

namespace {

constexpr int kLeafSize = 8;

// The bounded, sorted list of the distinct nearest distances met so far. A distance already
// held only lowers its vertex index, so an equal distance never evicts anything.
class Best {
public:
    // At most p_count entries, and never more than there are candidates.
    Best(NearestVertices::Result& p_list, int p_count, std::size_t p_candidates)
        : m_list(p_list), m_capacity(std::min(static_cast<std::size_t>(p_count), p_candidates))
    {
        m_list.resize(m_capacity);
    }
    // Trims the list to the entries found.
    ~Best() { m_list.resize(m_size); }
    Best(const Best&) = delete;
    Best& operator=(const Best&) = delete;

    bool full() const { return m_size >= m_capacity; }
    float largest() const { return m_list[m_size - 1].first; }

    void offer(float p_distance, int p_vertex)
    {
        // Scanned from the far end: points arrive roughly nearest first, so a new distance
        // usually belongs near the end of the list.
        std::size_t pos = m_size;
        while (pos > 0 && m_list[pos - 1].first > p_distance)
            --pos;
        if (pos > 0 && m_list[pos - 1].first == p_distance) {
            if (p_vertex < m_list[pos - 1].second)
                m_list[pos - 1].second = p_vertex;
            return;
        }
        if (pos == m_capacity)
            return;
        const std::size_t last = full() ? m_capacity - 1 : m_size++;
        for (std::size_t k = last; k > pos; --k)
            m_list[k] = m_list[k - 1];
        m_list[pos] = {p_distance, p_vertex};
    }

private:
    NearestVertices::Result& m_list;
    std::size_t m_capacity;
    std::size_t m_size = 0;
};

bool hasNaN(const Triplet& p_point)
{
    return std::isnan(p_point[0]) || std::isnan(p_point[1]) || std::isnan(p_point[2]);
}

} // namespace

NearestVertices::NearestVertices(const TripletZEVVector& p_vertices)
{
    m_points.reserve(p_vertices.size());
    m_byIndex.assign(p_vertices.begin(), p_vertices.end());
    for (std::size_t i = 0; i < p_vertices.size(); ++i) {
        const Triplet& v = p_vertices[i];
        if (!hasNaN(v))
            m_points.push_back({v[0], v[1], v[2], static_cast<int>(i)});
    }
    build();
}

void NearestVertices::build()
{
    m_nodes.clear();
    if (m_points.empty())
        return;
    m_nodes.reserve(2 * (m_points.size() / kLeafSize + 1));
    m_nodes.push_back(Node{{0, 0, 0}, {0, 0, 0}, 0, static_cast<int>(m_points.size()), -1});
    std::vector<int> pending{0};
    while (!pending.empty()) {
        const int id = pending.back();
        pending.pop_back();
        const int begin = m_nodes[static_cast<std::size_t>(id)].begin;
        const int end = m_nodes[static_cast<std::size_t>(id)].end;
        float lo[3] = {m_points[static_cast<std::size_t>(begin)].x,
                       m_points[static_cast<std::size_t>(begin)].y,
                       m_points[static_cast<std::size_t>(begin)].z};
        float hi[3] = {lo[0], lo[1], lo[2]};
        for (int k = begin; k < end; ++k) {
            const Point& p = m_points[static_cast<std::size_t>(k)];
            const float c[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], c[a]);
                hi[a] = std::max(hi[a], c[a]);
            }
        }
        Node& node = m_nodes[static_cast<std::size_t>(id)];
        std::copy(lo, lo + 3, node.lo);
        std::copy(hi, hi + 3, node.hi);
        if (end - begin <= kLeafSize)
            continue;
        // Split the widest axis at the median.
        int axis = 0;
        for (int a = 1; a < 3; ++a)
            if (hi[a] - lo[a] > hi[axis] - lo[axis])
                axis = a;
        const int mid = begin + (end - begin) / 2;
        auto key = [axis](const Point& p_p) { return axis == 0 ? p_p.x : axis == 1 ? p_p.y : p_p.z; };
        std::nth_element(m_points.begin() + begin, m_points.begin() + mid, m_points.begin() + end,
                         [&](const Point& p_a, const Point& p_b) { return key(p_a) < key(p_b); });
        const int first = static_cast<int>(m_nodes.size());
        node.first = first;
        m_nodes.push_back(Node{{0, 0, 0}, {0, 0, 0}, begin, mid, -1});
        m_nodes.push_back(Node{{0, 0, 0}, {0, 0, 0}, mid, end, -1});
        pending.push_back(first);
        pending.push_back(first + 1);
    }
}

void NearestVertices::find(const Triplet& p_point, int p_count, Result& p_out, const Result* p_hint) const
{
    p_out.clear();
    if (p_count <= 0 || m_nodes.empty() || hasNaN(p_point))
        return;
    if (!std::isfinite(p_point[0]) || !std::isfinite(p_point[1]) || !std::isfinite(p_point[2])) {
        // Distances to an infinite point are all infinite or NaN: the box bounds say nothing.
        scanAll(p_point, p_count, p_out);
        return;
    }
    Best best(p_out, p_count, m_points.size());
    const float px = p_point[0], py = p_point[1], pz = p_point[2];
    if (p_hint)
        for (const auto& entry : *p_hint) {
            const std::size_t v = static_cast<std::size_t>(entry.second);
            if (v < m_byIndex.size()) {
                const float d = squaredDistance(p_point, m_byIndex[v]);
                if (!std::isnan(d) && (!best.full() || d <= best.largest()))
                    best.offer(d, entry.second);
            }
        }
    // The bound is formed with the same float operations as a distance, and float rounding is
    // monotone, so no vertex in a box lies nearer than its bound; the factor only guards
    // against a compiler fusing the two computations differently.
    auto boxBound = [&](const Node& p_node) {
        const float gx =
            px < p_node.lo[0] ? p_node.lo[0] - px : (px > p_node.hi[0] ? px - p_node.hi[0] : 0.0f);
        const float gy =
            py < p_node.lo[1] ? p_node.lo[1] - py : (py > p_node.hi[1] ? py - p_node.hi[1] : 0.0f);
        const float gz =
            pz < p_node.lo[2] ? p_node.lo[2] - pz : (pz > p_node.hi[2] ? pz - p_node.hi[2] : 0.0f);
        return (gx * gx + gy * gy + gz * gz) * 0.99999f;
    };
    struct Entry {
        int node;
        float bound;
    };
    Entry stack[128];
    int top = 0;
    stack[top++] = {0, 0.0f};
    while (top > 0) {
        const Entry e = stack[--top];
        if (best.full() && e.bound > best.largest())
            continue;
        const Node& node = m_nodes[static_cast<std::size_t>(e.node)];
        if (node.first < 0) {
            for (int k = node.begin; k < node.end; ++k) {
                const Point& p = m_points[static_cast<std::size_t>(k)];
                const float dx = px - p.x;
                const float dy = py - p.y;
                const float dz = pz - p.z;
                const float d = dx * dx + dy * dy + dz * dz;
                if (!std::isnan(d) && (!best.full() || d <= best.largest()))
                    best.offer(d, p.index);
            }
            continue;
        }
        const int a = node.first;
        const float ba = boxBound(m_nodes[static_cast<std::size_t>(a)]);
        const float bb = boxBound(m_nodes[static_cast<std::size_t>(a + 1)]);
        // Nearer child on top. The tree is balanced, so its depth stays far below the stack size.
        if (ba <= bb) {
            stack[top++] = {a + 1, bb};
            stack[top++] = {a, ba};
        } else {
            stack[top++] = {a, ba};
            stack[top++] = {a + 1, bb};
        }
    }
}

void NearestVertices::scanAll(const Triplet& p_point, int p_count, Result& p_out) const
{
    Best best(p_out, p_count, m_points.size());
    for (const Point& p : m_points) {
        const float d = squaredDistance(p_point, Triplet(p.x, p.y, p.z));
        if (!std::isnan(d))
            best.offer(d, p.index);
    }
}

void NearestVertices::scan(const TripletZEVVector& p_vertices, const Triplet& p_point, int p_count,
                           std::map<double, int>& p_out)
{
    p_out.clear();
    if (p_count <= 0)
        return;
    const std::size_t count = static_cast<std::size_t>(p_count);
    for (std::size_t i = 0; i < p_vertices.size(); ++i) {
        const float d = squaredDistance(p_point, p_vertices[i]);
        // A NaN key would break the map's ordering; such a vertex is at no distance at all.
        if (std::isnan(d))
            continue;
        const double key = d;
        // An equal key is held already, with a lower vertex index: nothing to insert or evict.
        if (p_out.count(key))
            continue;
        if (p_out.size() < count) {
            p_out.emplace(key, static_cast<int>(i));
        } else if (key < std::prev(p_out.end())->first) {
            p_out.erase(std::prev(p_out.end()));
            p_out.emplace(key, static_cast<int>(i));
        }
    }
}

} // namespace zev
