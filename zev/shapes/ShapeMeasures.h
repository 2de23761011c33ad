#pragma once
// Internal helpers of the shape measures, shared by the shape and face sources: the length
// of a vector that may hold the undefined value, and the split of a polygon into one sector
// per corner over corners read in place (no gathering into a temporary array).

#include "zev/contracts/Triplet.h"
#include "zev/contracts/Undefined.h"

namespace zev {
namespace measures {

inline bool hasUndefComponent(const Triplet& p_t)
{
    return p_t[0] == ZEV_UNDEF || p_t[1] == ZEV_UNDEF || p_t[2] == ZEV_UNDEF;
}

// |p_t|, or the undefined value when a component is undefined.
inline float magnitude(const Triplet& p_t)
{
    return hasUndefComponent(p_t) ? ZEV_UNDEF : p_t.length();
}

// The sector area vectors of the polygon with p_n corners p_corner(0) .. p_corner(p_n - 1):
// corner k's sector is the quadrilateral of the corner, the midpoint of its leaving edge, the
// centre and the midpoint of its arriving edge. p_each(k, area vector) receives each sector
// in corner order.
template <class CornerAt, class Each> void forEachSectorVector(int p_n, CornerAt p_corner, Each p_each)
{
    Triplet centre;
    for (int k = 0; k < p_n; ++k)
        centre += p_corner(k);
    centre /= static_cast<float>(p_n);

    Triplet arrivingMid = (p_corner(p_n - 1) + p_corner(0)) / 2.0f;
    for (int k = 0; k < p_n; ++k) {
        const Triplet& corner = p_corner(k);
        const Triplet leavingMid = (corner + p_corner(k + 1 == p_n ? 0 : k + 1)) / 2.0f;
        p_each(k, (centre - corner).cross(arrivingMid - leavingMid) * 0.5f);
        arrivingMid = leavingMid;
    }
}

// The sectors as forEachSectorVector gives them, each with its magnitude: p_each(k, area
// vector, its magnitude).
template <class CornerAt, class Each> void forEachSector(int p_n, CornerAt p_corner, Each p_each)
{
    forEachSectorVector(
        p_n, p_corner, [&](int p_k, const Triplet& p_sector) { p_each(p_k, p_sector, magnitude(p_sector)); });
}

// The sectors as forEachSector gives them to p_sink, and the polygon's area vector: it points
// along the vector sum of the sectors and is as long as the sum of their areas, so a warped
// face keeps its full area. No corner throws as a division by zero.
template <class CornerAt, class Sink> Triplet sectorAreas(int p_n, CornerAt p_corner, Sink p_sink)
{
    Triplet total;
    forEachSector(p_n, p_corner, [&](int p_k, const Triplet& p_sector, float p_sectorLength) {
        p_sink(p_k, p_sector, p_sectorLength);
        const Triplet sum = total + p_sector;
        const float sumLength = magnitude(sum);
        if (sumLength != 0.0f) {
            const double scale =
                (static_cast<double>(magnitude(total)) + static_cast<double>(p_sectorLength)) / sumLength;
            total = Triplet(static_cast<float>(sum[0] * scale), static_cast<float>(sum[1] * scale),
                            static_cast<float>(sum[2] * scale));
        }
    });
    return total;
}

} // namespace measures
} // namespace zev
