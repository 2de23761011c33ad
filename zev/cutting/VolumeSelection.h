#pragma once
// Selection of whole elements of a domain: the elements on one side of a sphere, a plane or
// an isosurface, or those whose vertex values lie below, above or between given values. No
// element is cut; each is judged by the classes of its vertices. The selected elements are
// copied set by set into an output geometry, keeping the domain's vertex numbering, set
// numbers and correction factors, with an element-to-element interpolant back to the domain
// when the domain carries element data. Geometry::calcVolume and Geometry::calcIsovolume
// forward here.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/VarType.h"

#include <string>
#include <vector>

namespace zev {

class Geometry;
class Variable;

class ZEV_EXPORT VolumeSelection {
public:
    // What gives each vertex its value: the distance from a centre, n·x, or a variable.
    enum Kind { eSphere = 0, ePlane = 1, eIsosurface = 2 };
    // Which elements are kept: those the surface or value passes through, those below it,
    // those above it, or (value ranges only) those between two values.
    enum Side { eThrough = 0, eBelow = 1, eAbove = 2, eBetween = 3 };

    // The strings callers pass for the kind, the side of a surface and the value range.
    static constexpr const char* s_sphere = "Sphere";
    static constexpr const char* s_plane = "Plane";
    static constexpr const char* s_isosurface = "Isosurface";
    static constexpr const char* s_belowIntersection = "Below Intersection";
    static constexpr const char* s_aboveIntersection = "Above Intersection";
    static constexpr const char* s_belowValue = "Below Value";
    static constexpr const char* s_aboveValue = "Above Value";
    static constexpr const char* s_betweenValues = "Between Values";
    // The side callers pass for "the elements the surface passes through"; any string that
    // names no other side does the same.
    static constexpr const char* s_all = "All";

    // "Plane" and "Isosurface" name their kinds; every other string is a sphere.
    static Kind kindFromString(const std::string& p_kind);
    // "Below Intersection" and "Above Intersection"; every other string is eThrough.
    static Side sideFromString(const std::string& p_side);
    // "Below Value", "Above Value" and "Between Values"; every other string is eThrough.
    static Side rangeFromString(const std::string& p_range);

    // The surface of a selection by side: the fields of its kind are used, the others not.
    struct Surface {
        Kind kind = eSphere;
        Triplet centre;                     // sphere
        float radius = 0.0f;                // sphere
        Triplet normal;                     // plane n·x = d
        float d = 0.0f;                     // plane
        const Variable* variable = nullptr; // isosurface: its vertex values of type `type`
        VarType type = eUnknown;            // isosurface
        float isoValue = 0.0f;              // isosurface
    };

    // Adds to p_output the elements of p_domain on p_side of the surface (p_side eBetween
    // counts as eThrough). A vertex is on the surface when its value equals the threshold
    // (radius, d or iso value), below when less, above when greater; an isosurface vertex
    // whose value is the undefined value is not counted. Side eThrough keeps an element
    // with a vertex on the surface or vertices on both sides. Inclusive, a side keeps an
    // element with a vertex on the surface or on that side; exclusive, one with no vertex on
    // the surface, some on that side and none on the other. An empty p_types considers
    // every element set, otherwise only the sets of the listed types. The output's vertex
    // array is not touched: the copies index the domain's vertices, so the caller gives the
    // output the same vertices.
    static void selectBySurface(Geometry& p_output, const std::string& p_domainName, const Geometry* p_domain,
                                const Surface& p_surface, Side p_side, bool p_inclusive,
                                const std::vector<ShapeType>& p_types);

    // Adds to p_output the elements of p_domain whose vertex values of p_variable (type
    // p_type) lie on p_range of the values. Below, above and through are judged against
    // p_first as for a surface; between, a vertex equal to either value is on the range and
    // one strictly between them (in either order) is inside: inclusive keeps an element with
    // a vertex inside or on, exclusive one whose every vertex is inside. Undefined values
    // are not counted, so exclusive "between" never keeps an element with one.
    //
    // Both throw zev::internal::badParam (class "Geometry", method "calcVolume") for a null
    // domain, a missing or null variable where one is needed, a variable with fewer vertex
    // values than the domain has vertices, or a listed element set the domain does not hold,
    // before the output changes. An output that already holds a set of a selected set's name
    // refuses it from insertElementSet, keeping the sets filed before it.
    static void selectByRange(Geometry& p_output, const std::string& p_domainName, const Geometry* p_domain,
                              Side p_range, bool p_inclusive, const Variable* p_variable, VarType p_type,
                              float p_first, float p_second, const std::vector<ShapeType>& p_types);
};

} // namespace zev
