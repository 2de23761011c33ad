#pragma once
// Builds a surface geometry from a domain and a cutting surface: an iso value of a scalar
// variable, a plane, or an implicit surface such as a cone. Every element of every element
// set is cut; the cut vertices come from domain edges and are recorded in an edge
// interpolant, the polygons become face sets by vertex count, and a domain with element
// data also gets an element-to-face interpolant. Both interpolants stay with the output, so
// any later field of the domain is carried onto the surface without cutting again.
//
// Every operation wants an output geometry without vertices; the output's interpolant list
// is replaced. The face sets are named after the output: "<name>:TRIANGLE", ":QUAD",
// ":PENTAGON", ":HEXAGON" for the sizes that occur, and ":POLYGON" for all larger polygons.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/shapes/IntersectionType.h"
#include "zev/variables/VarType.h"

#include <string>
#include <vector>

namespace zev {

class BoolFromEnvironment;
class Geometry;
class IntersectGeometryIface;
class Variable;

class ZEV_EXPORT GeometryIntersector {
public:
    // The isosurface of p_variable's vertex values of type p_type at p_isoValue. The
    // variable must give a value for every vertex of the domain.
    static void intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                      const Geometry* p_domain, const Variable* p_variable, VarType p_type,
                                      float p_isoValue);
    // The slice by the plane p_normal . x = p_d.
    static void intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                      const Geometry* p_domain, const Triplet& p_normal, float p_d);
    // The cut by an implicit surface at its onValue(). Vertex values come from p_variable
    // (may be null) when the surface allows it, otherwise from the surface. A null surface
    // cuts nothing and leaves the output untouched.
    static void intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                      const Geometry* p_domain, const IntersectGeometryIface* p_surface,
                                      const Variable* p_variable);
    // The cut by the cone with that axis and tip through p_surfacePoint.
    static void intersectWithCone(Geometry& p_output, const std::string& p_domainName,
                                  const Geometry* p_domain, const Triplet& p_axis, const Triplet& p_tip,
                                  const Triplet& p_surfacePoint, const Variable* p_variable);

    // The process-wide ZEV_NO_OCTREE switch: when true, plane cuts test every element
    // instead of asking the domain's octree for candidates.
    static const BoolFromEnvironment& noOctreeSwitch();

private:
    static void intersectWithGeometry(Geometry& p_output, IntersectionType p_kind,
                                      const std::string& p_domainName, const Geometry* p_domain,
                                      const Variable* p_variable, VarType p_type, float p_isoValue,
                                      const IntersectGeometryIface* p_surface, const Triplet& p_normal,
                                      float p_d);
    // Lists in p_candidates the elements of set p_index that a plane cut has to test, in the
    // order to cut them, and returns true; false when every element is to be tested.
    static bool planeCandidates(const Geometry& p_domain, const Triplet& p_normal, float p_d, int p_index,
                                std::vector<int>& p_candidates);
};

} // namespace zev
