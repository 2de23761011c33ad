// Vertex merging: vertices closer than a tolerance become one, and every shape and line is
// renumbered.

#include "zev/topology/VertexMerging.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/RadixSort.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/PointGrid.h"
#include "zev/shapes/ShapeDispatch.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// The merge grid's cells are this many times the largest tolerance wide. At least 2, so that
// a point has neighbours across at most one border per axis; wider cells make the search
// leave a point's own cell less often (a neighbour is looked up only when the point lies
// within its tolerance of the border), at the price of more points per cell where vertices
// lie closer together than the width, which merging meshes rarely sees.
constexpr double kCellWidth = 8.0;

bool inRange(const Shape& p_shape, std::size_t p_vertexCount)
{
    const int n = p_shape.getNumVertices();
    for (int k = 0; k < n; ++k) {
        const int v = p_shape[k];
        if (v < 0 || static_cast<std::size_t>(v) >= p_vertexCount)
            return false;
    }
    return true;
}

} // namespace

void mergeVertices(Geometry& p_geometry, double p_tolerance)
{
    TripletZEVVector& vertices = p_geometry.getVertices();
    const std::size_t vertexCount = vertices.size();
    if (vertexCount < 3)
        return;

    double tolerance = p_tolerance;
    if (!(p_tolerance >= 0.0)) {
        // A two-hundredth of the smallest length scale of a sample of the shapes.
        tolerance = 3.4028234663852886e38;
        std::size_t sampled = 0;
        auto sample = [&](const ShapeSet* p_set) {
            if (p_set == nullptr)
                return;
            for (std::size_t i = 0; i < p_set->size(); i += 20) {
                const Shape& shape = (*p_set)[i];
                if (!inRange(shape, vertexCount))
                    continue;
                tolerance = std::min(tolerance, shape.lengthScale(vertices));
                ++sampled;
            }
        };
        for (const std::string& name : p_geometry.getFaceSetNames())
            sample(p_geometry.getFaceSet(name));
        for (const std::string& name : p_geometry.getElementSetNames())
            sample(p_geometry.getElementSet(name));
        if (sampled == 0)
            return;
        tolerance /= 200.0;
    }

    // The records of the merge are the vertices ordered by squared distance from the origin,
    // ties by index; undefined or non-finite vertices sort last and take no part in merging.
    auto magnitude2Of = [](const Triplet& p_p) {
        return static_cast<double>(p_p[0]) * p_p[0] + static_cast<double>(p_p[1]) * p_p[1] +
               static_cast<double>(p_p[2]) * p_p[2];
    };
    double largest = 0.0;
    PointGrid::Bounds bounds;
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const Triplet& p = vertices[i];
        if (!PointGrid::usable(p))
            continue;
        ++bounds.count;
        largest = std::max(largest, magnitude2Of(p));
        for (int c = 0; c < 3; ++c) {
            bounds.lo[c] = std::min(bounds.lo[c], static_cast<double>(p[c]));
            bounds.hi[c] = std::max(bounds.hi[c], static_cast<double>(p[c]));
        }
    }

    // A vertex r (magnitude m) merges into the first record c, in sorted order, within the
    // magnitude band [m - e, m + e] that lies closer than e = max(t, m * 1e-5) and has a
    // smaller index: among all such c, the one of least (squared magnitude, index). Such a c
    // lies within e of r, so it is found through a grid of cells at least 2e wide, where only
    // the cells whose border r is closer to than e can hold it besides r's own. Each cell of the
    // grid is a run of points in ascending index. No full sort of the vertices is needed:
    // only the survivors are sorted, at the end.
    std::vector<int> parent(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i)
        parent[i] = static_cast<int>(i);
    const double maxTolerance = std::max(tolerance, std::sqrt(largest) * 1e-5);
    // An infinite tolerance is honoured: every coordinate then falls into the one cell 0, and
    // each vertex merges into the first smaller-numbered one.
    if (maxTolerance > 0.0 && bounds.count > 1) {
        PointGrid grid;
        grid.build(vertices, kCellWidth * maxTolerance, bounds);
        const PointGrid::Point* const points = grid.points();
        using Run = PointGrid::Run;
        using GridPoint = PointGrid::Point;
        // Keeps the least (squared magnitude, index).
        auto takeLeast = [](int& p_best, double& p_bestM2, int p_index, double p_m2) {
            if (p_best < 0 || p_m2 < p_bestM2 || (p_m2 == p_bestM2 && p_index < p_best)) {
                p_best = p_index;
                p_bestM2 = p_m2;
            }
        };
        struct Candidate {
            double m2;
            int index;
        };
        std::vector<Candidate> found;
        found.reserve(64);

        const std::uint32_t pointCount = grid.size();
        for (std::uint32_t runBegin = 0; runBegin < pointCount;) {
            const std::uint64_t key = points[runBegin].key;
            const GridPoint& first = points[runBegin];
            std::uint32_t runEnd = runBegin + 1;
            bool identical = true;
            for (; runEnd < pointCount && points[runEnd].key == key; ++runEnd)
                identical = identical && points[runEnd].xyz[0] == first.xyz[0] &&
                            points[runEnd].xyz[1] == first.xyz[1] && points[runEnd].xyz[2] == first.xyz[2];
            std::int64_t base[3];
            PointGrid::cellOfKey(key, base);
            Run neighbour[27];
            bool known[27] = {};
            neighbour[13] = Run{runBegin, runEnd};
            known[13] = true;

            if (identical) {
                // One location, repeated (a mesh read cell by cell repeats every vertex): its
                // points share their candidates, so the cells are searched once for all of
                // them. Each point's merge is the least of the candidates below its index,
                // where the first point of the run is the least of its copies.
                const double m2 = first.magnitude2();
                const double m = std::sqrt(m2);
                const double e = std::max(tolerance, m * 1e-5);
                const double low = e > m ? 0.0 : (m - e) * (m - e);
                const double high = (m + e) * (m + e);
                const int last = points[runEnd - 1].index;
                found.clear();
                grid.visitNearCells(first, e, base, neighbour, known, [&](Run p_run, bool p_own) {
                    if (p_own)
                        return;
                    for (std::uint32_t q = p_run.begin; q < p_run.end; ++q) {
                        const GridPoint& c = points[q];
                        if (c.index >= last)
                            break;
                        const double c2 = c.magnitude2();
                        if (c2 < low || c2 > high)
                            continue;
                        const double ddx = static_cast<double>(c.xyz[0]) - first.xyz[0];
                        const double ddy = static_cast<double>(c.xyz[1]) - first.xyz[1];
                        const double ddz = static_cast<double>(c.xyz[2]) - first.xyz[2];
                        if (std::sqrt(ddx * ddx + ddy * ddy + ddz * ddz) < e)
                            found.push_back(Candidate{c2, c.index});
                    }
                });
                const bool copiesMerge = !(m2 < low || m2 > high) && 0.0 < e;
                for (std::uint32_t j = runBegin; j < runEnd; ++j) {
                    const int index = points[j].index;
                    int best = -1;
                    double bestM2 = 0.0;
                    for (const Candidate& c : found)
                        if (c.index < index)
                            takeLeast(best, bestM2, c.index, c.m2);
                    if (j > runBegin && copiesMerge)
                        takeLeast(best, bestM2, first.index, m2);
                    if (best >= 0)
                        parent[static_cast<std::size_t>(index)] = best;
                }
                runBegin = runEnd;
                continue;
            }

            for (std::uint32_t j = runBegin; j < runEnd; ++j) {
                const GridPoint& p = points[j];
                const double m2 = p.magnitude2();
                const double m = std::sqrt(m2);
                const double e = std::max(tolerance, m * 1e-5);
                const double low = e > m ? 0.0 : (m - e) * (m - e);
                const double high = (m + e) * (m + e);
                int best = -1;
                double bestM2 = 0.0;
                grid.visitNearCells(p, e, base, neighbour, known, [&](Run p_run, bool) {
                    // Runs are in ascending index: past p's own index nothing qualifies.
                    for (std::uint32_t q = p_run.begin; q < p_run.end; ++q) {
                        const GridPoint& c = points[q];
                        if (c.index >= p.index)
                            break;
                        const double c2 = c.magnitude2();
                        if (c2 < low || c2 > high)
                            continue;
                        if (best >= 0 && (c2 > bestM2 || (c2 == bestM2 && c.index > best)))
                            continue;
                        const double ddx = static_cast<double>(c.xyz[0]) - p.xyz[0];
                        const double ddy = static_cast<double>(c.xyz[1]) - p.xyz[1];
                        const double ddz = static_cast<double>(c.xyz[2]) - p.xyz[2];
                        if (std::sqrt(ddx * ddx + ddy * ddy + ddz * ddz) < e) {
                            best = c.index;
                            bestM2 = c2;
                        }
                    }
                });
                if (best >= 0)
                    parent[static_cast<std::size_t>(p.index)] = best;
            }
            runBegin = runEnd;
        }
    }

    // The survivors in sorted order (stable radix sort of the magnitudes' bits: non-negative
    // doubles order like their bit patterns), and every vertex's new index.
    std::vector<SortKey> survivors;
    survivors.reserve(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        if (parent[i] != static_cast<int>(i))
            continue;
        const Triplet& p = vertices[i];
        const double m2 = PointGrid::usable(p) ? magnitude2Of(p) : static_cast<double>(FLT_MAX);
        std::uint64_t bitsOfM2;
        std::memcpy(&bitsOfM2, &m2, sizeof bitsOfM2);
        survivors.push_back(SortKey{bitsOfM2, static_cast<std::uint32_t>(i)});
    }
    radixSort(survivors);
    // The parent array becomes the map to the new indices: a survivor's entry first holds
    // -(its new index + 1); links always point to smaller indices, so ascending order then
    // resolves every chain.
    TripletZEVVector merged;
    merged.resize(survivors.size());
    for (std::size_t k = 0; k < survivors.size(); ++k) {
        const std::size_t i = survivors[k].index;
        parent[i] = -static_cast<int>(k) - 1;
        merged[k] = vertices[i];
    }
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const int up = parent[i];
        if (up < 0) {
            parent[i] = -up - 1;
            continue;
        }
        if (up > static_cast<int>(i))
            throw internal::error(kClass, "removeDuplicateNodes", "Ordering Error");
        parent[i] = parent[static_cast<std::size_t>(up)];
    }
    const std::vector<int>& map = parent;
    vertices.swap(merged);

    // Indices outside the old vertex array (such as -1 for an unused slot) are kept as
    // they are rather than read past the map.
    auto remap = [&](int& p_index) {
        if (p_index >= 0 && static_cast<std::size_t>(p_index) < vertexCount)
            p_index = map[static_cast<std::size_t>(p_index)];
    };
    auto remapShape = [&](auto& p_shape) {
        const int n = p_shape.getNumVertices();
        for (int k = 0; k < n; ++k)
            remap(p_shape[k]);
    };
    // Triangles that repeat a vertex are removed; they are noted while remapping, so the
    // removal (which tests every triangle again) runs only for a set that has some.
    bool degenerate = false;
    auto remapTriangle = [&](auto& p_shape) {
        remapShape(p_shape);
        const int n = p_shape.getNumVertices();
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                degenerate |= p_shape[i] == p_shape[j];
    };
    for (const std::string& name : p_geometry.getFaceSetNames()) {
        ShapeSet* set = p_geometry.getFaceSet(name);
        if (set == nullptr)
            continue;
        if (set->getType() != TRI) {
            forEachShape(*set, remapShape);
            continue;
        }
        degenerate = false;
        forEachShape(*set, remapTriangle);
        if (degenerate)
            set->removeDegenerate();
    }
    for (const std::string& name : p_geometry.getElementSetNames())
        if (ShapeSet* set = p_geometry.getElementSet(name))
            forEachShape(*set, remapShape);
    for (int& entry : p_geometry.getLines())
        remap(entry);

    p_geometry.deleteAllVariables();
}

} // namespace zev
