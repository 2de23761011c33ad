#pragma once
// A uniform grid of cells over a vertex array, for finding the vertices near a point. It is
// built once: the vertices are grouped cell by cell in two levels, a counting sort into
// coarse buckets of 2^s x 2^s x 2^s cells over the bounding box (sequential passes, no
// hashing), then a small sort by cell within each bucket. Each cell is then a contiguous
// run of points in ascending vertex index, and a cell is found by a short binary search in
// its bucket. Undefined and non-finite vertices are left out.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/TripletZEVVector.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zev {

class ZEV_EXPORT PointGrid {
public:
    // A vertex in the grid: its cell (the key packs the three cell numbers, 21 bits each),
    // its coordinates and its vertex index.
    struct Point {
        std::uint64_t key;
        float xyz[3];
        int index;

        // The squared distance from the origin.
        double magnitude2() const
        {
            return static_cast<double>(xyz[0]) * xyz[0] + static_cast<double>(xyz[1]) * xyz[1] +
                   static_cast<double>(xyz[2]) * xyz[2];
        }
    };
    // The points of one cell: [begin, end) in points().
    struct Run {
        std::uint32_t begin;
        std::uint32_t end;
    };
    // The bounding box of the usable vertices of an array, and their count.
    struct Bounds {
        double lo[3] = {DBL_MAX, DBL_MAX, DBL_MAX};
        double hi[3] = {-DBL_MAX, -DBL_MAX, -DBL_MAX};
        std::size_t count = 0;
    };

    // Defined and finite: |x| <= the float maximum fails for infinities and NaN. Written
    // without branches, as it runs on every pass over a vertex array.
    static bool usable(const Triplet& p_p)
    {
        int ok = 1;
        for (int c = 0; c < 3; ++c)
            ok &= static_cast<int>(!FloatUtilities::isUndef(p_p[c])) &
                  static_cast<int>(std::fabs(p_p[c]) <= FLT_MAX);
        return ok != 0;
    }
    static Bounds boundsOf(const TripletZEVVector& p_vertices);

    // Groups the usable vertices of p_vertices into cells p_cellWidth wide; p_bounds must be
    // boundsOf(p_vertices). A width whose inverse is not finite, or an infinite one, puts
    // every point in one cell. The grid keeps no reference to p_vertices.
    void build(const TripletZEVVector& p_vertices, double p_cellWidth, const Bounds& p_bounds);
    void build(const TripletZEVVector& p_vertices, double p_cellWidth)
    {
        build(p_vertices, p_cellWidth, boundsOf(p_vertices));
    }

    // The points, cell after cell; a cell's points in ascending vertex index.
    const Point* points() const { return m_points.get(); }
    std::uint32_t size() const { return m_size; }

    // The cell numbers packed in a point's key.
    static void cellOfKey(std::uint64_t p_key, std::int64_t* p_cell)
    {
        p_cell[0] = static_cast<std::int64_t>(p_key >> 42);
        p_cell[1] = static_cast<std::int64_t>((p_key >> 21) & kMask);
        p_cell[2] = static_cast<std::int64_t>(p_key & kMask);
    }

    // The run of cell (x, y, z); empty outside the grid.
    Run runOf(std::int64_t p_x, std::int64_t p_y, std::int64_t p_z) const
    {
        if (p_x < 0 || p_y < 0 || p_z < 0 || p_x >= m_cells[0] || p_y >= m_cells[1] || p_z >= m_cells[2])
            return Run{0, 0};
        const std::uint32_t b = bucketOf(p_x, p_y, p_z);
        const std::uint64_t key = cellKey(p_x, p_y, p_z);
        const Point* first = m_points.get() + m_start[b];
        const Point* last = m_points.get() + m_start[b + 1];
        const Point* at =
            std::lower_bound(first, last, key, [](const Point& p, std::uint64_t k) { return p.key < k; });
        const Point* stop = at;
        while (stop != last && stop->key == key)
            ++stop;
        return Run{static_cast<std::uint32_t>(at - m_points.get()),
                   static_cast<std::uint32_t>(stop - m_points.get())};
    }

    // Calls p_visit(run, own) for the cell p_base of point p_p (own true) and for each
    // neighbouring cell that can hold a point within p_radius of p_p: p_p lies closer than
    // p_radius to the border between them (with a margin for the rounding of the cell
    // coordinates). p_radius must be at most half the cell width, so that is at most one
    // side per axis. The runs of the 27 cells (offsets -1, 0, +1 per axis, slot 13 the own
    // cell) are looked up once and kept in p_neighbour, p_known, which the caller may share
    // between the points of one cell.
    template <class Visit>
    void visitNearCells(const Point& p_p, double p_radius, const std::int64_t* p_base, Run* p_neighbour,
                        bool* p_known, Visit&& p_visit) const
    {
        const double reach = p_radius * m_inverseCell + 1e-6;
        int from[3];
        int to[3];
        for (int c = 0; c < 3; ++c) {
            const double offset = (static_cast<double>(p_p.xyz[c]) - m_origin[c]) * m_inverseCell -
                                  static_cast<double>(p_base[c]);
            from[c] = offset < reach ? -1 : 0;
            to[c] = offset > 1.0 - reach ? 1 : 0;
        }
        for (int dx = from[0]; dx <= to[0]; ++dx)
            for (int dy = from[1]; dy <= to[1]; ++dy)
                for (int dz = from[2]; dz <= to[2]; ++dz) {
                    const int slot = (dx + 1) * 9 + (dy + 1) * 3 + (dz + 1);
                    if (!p_known[slot]) {
                        p_neighbour[slot] = runOf(p_base[0] + dx, p_base[1] + dy, p_base[2] + dz);
                        p_known[slot] = true;
                    }
                    p_visit(p_neighbour[slot], slot == 13);
                }
    }

    // Calls p_visit(point) for every point no farther than p_radius from p_centre, cell by
    // cell; any radius, any centre (inside the box or not).
    template <class Visit> void forEachWithin(const Triplet& p_centre, double p_radius, Visit&& p_visit) const
    {
        if (m_size == 0 || !(p_radius >= 0.0))
            return;
        std::int64_t from[3];
        std::int64_t to[3];
        for (int c = 0; c < 3; ++c) {
            from[c] = clampedCell(static_cast<double>(p_centre[c]) - p_radius, c);
            to[c] = clampedCell(static_cast<double>(p_centre[c]) + p_radius, c);
        }
        const double r2 = p_radius * p_radius;
        for (std::int64_t x = from[0]; x <= to[0]; ++x)
            for (std::int64_t y = from[1]; y <= to[1]; ++y)
                for (std::int64_t z = from[2]; z <= to[2]; ++z) {
                    const Run run = runOf(x, y, z);
                    for (std::uint32_t q = run.begin; q < run.end; ++q) {
                        const Point& p = m_points[q];
                        const double dx = static_cast<double>(p.xyz[0]) - p_centre[0];
                        const double dy = static_cast<double>(p.xyz[1]) - p_centre[1];
                        const double dz = static_cast<double>(p.xyz[2]) - p_centre[2];
                        if (dx * dx + dy * dy + dz * dz <= r2)
                            p_visit(p);
                    }
                }
    }

private:
    static constexpr std::uint64_t kMask = (std::uint64_t(1) << 21) - 1;
    static constexpr std::int64_t kLastCell = (std::int64_t(1) << 21) - 2;

    static std::uint64_t cellKey(std::int64_t p_x, std::int64_t p_y, std::int64_t p_z)
    {
        return (static_cast<std::uint64_t>(p_x) << 42) | (static_cast<std::uint64_t>(p_y) << 21) |
               static_cast<std::uint64_t>(p_z);
    }
    std::uint32_t bucketOf(std::int64_t p_x, std::int64_t p_y, std::int64_t p_z) const
    {
        return static_cast<std::uint32_t>(
            (((p_x >> m_shift) * m_buckets[1]) + (p_y >> m_shift)) * m_buckets[2] + (p_z >> m_shift));
    }
    // The cell of a usable coordinate, which is not below the origin: truncation is the floor.
    std::int64_t cellOf(float p_coordinate, int p_axis) const
    {
        const double u = (static_cast<double>(p_coordinate) - m_origin[p_axis]) * m_inverseCell;
        return static_cast<std::int64_t>(std::min(double(kLastCell), u));
    }
    // The cell of any coordinate, clamped into the grid.
    std::int64_t clampedCell(double p_coordinate, int p_axis) const
    {
        const double u = std::floor((p_coordinate - m_origin[p_axis]) * m_inverseCell);
        if (!(u > 0.0))
            return 0;
        return static_cast<std::int64_t>(std::min(double(m_cells[p_axis] - 1), u));
    }

    double m_inverseCell = 0.0;
    double m_origin[3] = {0.0, 0.0, 0.0};
    std::int64_t m_cells[3] = {0, 0, 0};
    int m_shift = 0;
    std::int64_t m_buckets[3] = {1, 1, 1};
    // Bucket b's points run from m_start[b] to m_start[b + 1].
    std::vector<std::uint32_t> m_start;
    std::unique_ptr<Point[]> m_points;
    std::uint32_t m_size = 0;
};

} // namespace zev
