#include "zev/search/PointGrid.h"

#include <limits>

namespace zev {

namespace {

// The coarse buckets number at most one per point over the bounding box; a surface occupies
// only a fraction of them, so an occupied bucket holds a few cells.
constexpr double kPointsPerBucket = 1.0;

} // namespace

PointGrid::Bounds PointGrid::boundsOf(const TripletZEVVector& p_vertices)
{
    Bounds bounds;
    for (std::size_t i = 0; i < p_vertices.size(); ++i) {
        const Triplet& p = p_vertices[i];
        if (!usable(p))
            continue;
        ++bounds.count;
        for (int c = 0; c < 3; ++c) {
            bounds.lo[c] = std::min(bounds.lo[c], static_cast<double>(p[c]));
            bounds.hi[c] = std::max(bounds.hi[c], static_cast<double>(p[c]));
        }
    }
    return bounds;
}

void PointGrid::build(const TripletZEVVector& p_vertices, double p_cellWidth, const Bounds& p_bounds)
{
    const std::size_t vertexCount = p_vertices.size();
    m_size = static_cast<std::uint32_t>(p_bounds.count);
    m_inverseCell = 1.0 / p_cellWidth;
    if (!std::isfinite(m_inverseCell))
        m_inverseCell = 0.0;
    // Cell numbers count from half a cell below the lower corner of the box, so that the
    // points on the box's lower faces (every point set has some) lie mid-cell rather than
    // on a border; the far ones share the last cell.
    for (int c = 0; c < 3; ++c)
        m_origin[c] = m_inverseCell > 0.0 ? p_bounds.lo[c] - 0.5 / m_inverseCell : p_bounds.lo[c];
    for (int c = 0; c < 3; ++c)
        m_cells[c] = static_cast<std::int64_t>(std::min(
                         double(kLastCell), std::floor((p_bounds.hi[c] - m_origin[c]) * m_inverseCell))) +
                     1;
    const double bucketTarget = std::max(1.0, static_cast<double>(p_bounds.count) / kPointsPerBucket);
    for (m_shift = 0;; ++m_shift) {
        for (int c = 0; c < 3; ++c)
            m_buckets[c] = ((m_cells[c] - 1) >> m_shift) + 1;
        if (double(m_buckets[0]) * double(m_buckets[1]) * double(m_buckets[2]) <= bucketTarget)
            break;
    }
    const std::size_t bucketCount = static_cast<std::size_t>(m_buckets[0] * m_buckets[1] * m_buckets[2]);

    // Counting sort into the buckets, each bucket's points in ascending index: the cell keys
    // are kept from the counting pass (unusable points get none, which is no key), and the
    // counts sit two places up, so that after the scatter bucket b's points run from
    // m_start[b] to m_start[b + 1].
    const std::uint64_t noKey = std::numeric_limits<std::uint64_t>::max();
    std::unique_ptr<std::uint64_t[]> keyOfVertex(new std::uint64_t[vertexCount]);
    m_start.assign(bucketCount + 2, 0);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const Triplet& p = p_vertices[i];
        std::uint64_t key = noKey;
        if (usable(p)) {
            const std::int64_t x = cellOf(p[0], 0), y = cellOf(p[1], 1), z = cellOf(p[2], 2);
            key = cellKey(x, y, z);
            ++m_start[bucketOf(x, y, z) + 2];
        }
        keyOfVertex[i] = key;
    }
    for (std::size_t b = 2; b < bucketCount + 2; ++b)
        m_start[b] += m_start[b - 1];
    // Not value-initialised: every element is written by the scatter.
    m_points.reset(new Point[p_bounds.count]);
    std::int64_t cell[3];
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const std::uint64_t key = keyOfVertex[i];
        if (key == noKey)
            continue;
        const Triplet& p = p_vertices[i];
        cellOfKey(key, cell);
        m_points[m_start[bucketOf(cell[0], cell[1], cell[2]) + 1]++] =
            Point{key, {p[0], p[1], p[2]}, static_cast<int>(i)};
    }
    keyOfVertex.reset();
    // Order each bucket by cell. The points arrive in ascending index, so a stable insertion
    // by key alone keeps each cell's run in ascending index; the rare large bucket (points
    // far from the rest stretch the box) is sorted by (key, index).
    for (std::size_t b = 0; b < bucketCount; ++b) {
        Point* const first = m_points.get() + m_start[b];
        Point* const last = m_points.get() + m_start[b + 1];
        if (last - first > 32) {
            std::sort(first, last, [](const Point& p_a, const Point& p_b) {
                return p_a.key < p_b.key || (p_a.key == p_b.key && p_a.index < p_b.index);
            });
            continue;
        }
        for (Point* at = first + 1; at < last; ++at) {
            if (!(at->key < (at - 1)->key))
                continue;
            const Point moving = *at;
            Point* to = at;
            do {
                *to = *(to - 1);
                --to;
            } while (to != first && moving.key < (to - 1)->key);
            *to = moving;
        }
    }
}

} // namespace zev
