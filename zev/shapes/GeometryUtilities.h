#pragma once
// Stateless geometric helpers shared by the shape classes and the face-to-face interpolant.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"

#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT GeometryUtilities {
public:
    // The name of a face set derived from a region and a kind: "a-b".
    static std::string getFaceSetName(const std::string& p_a, const std::string& p_b);

    // Whether p and q lie on the same side of the plane through a, b and c. A point on the
    // plane, or q lying within 1% of p's distance from it, counts as the same side; so does
    // every pair when a, b and c do not span a plane.
    static bool areSameSide(const TripletBase<float>& p_a, const TripletBase<float>& p_b,
                            const TripletBase<float>& p_c, const TripletBase<float>& p_p,
                            const TripletBase<float>& p_q);

    // The area-weighted centroid of a polygon given by its corners in order. Fewer than four
    // corners give their mean; no corner gives the origin.
    static TripletBase<float> areaWeighedFaceCentroid(const std::vector<TripletBase<float>>& p_points);
    // The same, with the per-corner cross products kept in p_scratch, so that callers measuring
    // many faces reuse one array.
    static TripletBase<float> areaWeighedFaceCentroid(const std::vector<TripletBase<float>>& p_points,
                                                      std::vector<TripletBase<float>>& p_scratch);
};

} // namespace zev
