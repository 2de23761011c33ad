#include "zev/search/LineQueries.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/FaceLineTree.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <cmath>

namespace zev {

namespace {

constexpr const char* kSurfaceSets[2] = {"TRI", "QUAD"};

internal::error missingFaceSet(const char* p_method, const char* p_set, const Geometry& p_geometry)
{
    return internal::error(
        "Geometry", p_method,
        SystemMsg("Cannot get face set %1 from geometry %2.").arg(p_set).arg(p_geometry.getBaseName()));
}

// The search index for the "TRI" and "QUAD" sets, when one is worth using: a geometry asked
// once scans (building costs several scans); from the second query on it keeps an index,
// rebuilt when the sets or the vertex array it was built from are replaced.
// Once built, the index is only read, so the lock is held just for the slot's bookkeeping.
const FaceLineTree* usableTree(std::shared_ptr<FaceLineTree>* p_slot, std::recursive_mutex* p_lock,
                               const std::vector<const ShapeSet*>& p_sets, const TripletZEVVector& p_vertices)
{
    if (p_slot == nullptr)
        return nullptr;
    std::unique_lock<std::recursive_mutex> guard;
    if (p_lock)
        guard = std::unique_lock<std::recursive_mutex>(*p_lock);
    std::shared_ptr<FaceLineTree>& tree = *p_slot;
    if (!tree)
        tree = std::make_shared<FaceLineTree>();
    if (tree->isBuilt() && tree->matches(p_sets, p_vertices))
        return tree.get();
    if (!tree->isBuilt() && tree->countQuery() < 2)
        return nullptr;
    return tree->build(p_sets, p_vertices) ? tree.get() : nullptr;
}

} // namespace

int LineQueries::intersectLineWithFaceSet(const ShapeSet& p_set, const Triplet& p_point,
                                          const Triplet& p_direction, const TripletZEVVector& p_vertices,
                                          float& p_t, bool p_nearerOnly)
{
    for (std::size_t i = 0; i < p_set.size(); ++i)
        if (p_set[i].intersectsWithLine(p_point, p_direction, p_vertices, p_t, p_nearerOnly))
            return static_cast<int>(i);
    return -1;
}

int LineQueries::intersectCircleWithFaceSet(const ShapeSet& p_set, const Triplet& p_centre,
                                            const Triplet& p_axis, double p_radius,
                                            const TripletZEVVector& p_vertices, Triplet& p_hit)
{
    for (std::size_t i = 0; i < p_set.size(); ++i)
        if (p_set[i].intersectsWithCircle(p_centre, p_axis, p_radius, p_vertices, p_hit))
            return static_cast<int>(i);
    return -1;
}

bool LineQueries::intersectFacesWithLine(const Geometry& p_surface, const Triplet& p_point,
                                         const Triplet& p_direction, Triplet& p_displacement,
                                         std::shared_ptr<FaceLineTree>* p_tree, std::recursive_mutex* p_lock)
{
    static const char* const kMethod = "intersectFacesWithLine";
    const Triplet direction = normalised(p_direction);
    const TripletZEVVector& vertices = p_surface.getVertices();
    const ShapeSet* sets[2] = {p_surface.getFaceSet(kSurfaceSets[0]), nullptr};
    if (sets[0] == nullptr)
        throw missingFaceSet(kMethod, kSurfaceSets[0], p_surface);
    sets[1] = p_surface.getFaceSet(kSurfaceSets[1]);

    if (const FaceLineTree* tree = usableTree(p_tree, p_lock, {sets[0], sets[1]}, vertices)) {
        int set = -1;
        int face = -1;
        float t = 0.0f;
        const bool hit = tree->firstLineHit(p_point, direction, set, face, t);
        if (hit && set == 0) {
            p_displacement = t * direction;
            return true;
        }
        if (sets[1] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[1], p_surface);
        if (hit)
            p_displacement = t * direction;
        return hit;
    }

    for (int s = 0; s < 2; ++s) {
        if (sets[s] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[s], p_surface);
        float t = 0.0f;
        if (intersectLineWithFaceSet(*sets[s], p_point, direction, vertices, t, false) >= 0) {
            p_displacement = t * direction;
            return true;
        }
    }
    return false;
}

bool LineQueries::intersectFacesWithCircle(const Geometry& p_surface, const Triplet& p_point,
                                           const Triplet& p_axisStart, const Triplet& p_axisEnd,
                                           double& p_angle, std::shared_ptr<FaceLineTree>* p_tree,
                                           std::recursive_mutex* p_lock)
{
    static const char* const kMethod = "intersectFacesWithCircle";
    if (p_axisStart == p_axisEnd)
        throw internal::error("Geometry", kMethod, SystemMsg("Rotation Axis is not properly defined"));
    const Triplet axis = normalised(p_axisEnd - p_axisStart);
    const Triplet centre = p_axisStart + axis * (p_point - p_axisStart).dot(axis);
    const Triplet offset = p_point - centre;
    const double radius =
        std::sqrt(static_cast<double>(offset[0]) * offset[0] + static_cast<double>(offset[1]) * offset[1] +
                  static_cast<double>(offset[2]) * offset[2]);

    const TripletZEVVector& vertices = p_surface.getVertices();
    const ShapeSet* sets[2] = {p_surface.getFaceSet(kSurfaceSets[0]), nullptr};
    if (sets[0] == nullptr)
        throw missingFaceSet(kMethod, kSurfaceSets[0], p_surface);
    sets[1] = p_surface.getFaceSet(kSurfaceSets[1]);

    Triplet hitPoint;
    bool hit = false;
    if (const FaceLineTree* tree = usableTree(p_tree, p_lock, {sets[0], sets[1]}, vertices)) {
        int set = -1;
        int face = -1;
        hit = tree->firstCircleHit(centre, axis, radius, set, face, hitPoint);
        if (!(hit && set == 0) && sets[1] == nullptr)
            throw missingFaceSet(kMethod, kSurfaceSets[1], p_surface);
    } else {
        for (int s = 0; s < 2 && !hit; ++s) {
            if (sets[s] == nullptr)
                throw missingFaceSet(kMethod, kSurfaceSets[s], p_surface);
            hit = intersectCircleWithFaceSet(*sets[s], centre, axis, radius, vertices, hitPoint) >= 0;
        }
    }
    if (!hit)
        return false;

    // Both directions from the centre as unit vectors in double precision, so that a point
    // already on the surface comes out at an angle of 0 rather than a rounding's arc cosine.
    double u[3];
    double w[3];
    double uLength = 0.0;
    double wLength = 0.0;
    for (int c = 0; c < 3; ++c) {
        u[c] = static_cast<double>(p_point[c]) - centre[c];
        w[c] = static_cast<double>(hitPoint[c]) - centre[c];
        uLength += u[c] * u[c];
        wLength += w[c] * w[c];
    }
    uLength = std::sqrt(uLength);
    wLength = std::sqrt(wLength);
    for (int c = 0; c < 3; ++c) {
        u[c] = uLength == 0.0 ? u[c] : u[c] / uLength;
        w[c] = wLength == 0.0 ? w[c] : w[c] / wLength;
    }
    const double cosine = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
    const double pi = std::acos(-1.0);
    p_angle = cosine > 1.0 ? 0.0 : cosine < -1.0 ? pi : std::acos(cosine);
    const double turn = (u[1] * w[2] - u[2] * w[1]) * axis[0] + (u[2] * w[0] - u[0] * w[2]) * axis[1] +
                        (u[0] * w[1] - u[1] * w[0]) * axis[2];
    if (turn < 0.0)
        p_angle = -p_angle;
    return true;
}

} // namespace zev
