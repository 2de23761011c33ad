#pragma once
// An implicit cutting surface: a function of position whose level set at onValue() is the
// surface. Cuts evaluate it at element vertices and, when allowed more than one iteration,
// at trial points along crossed edges to home in on the crossing.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"

namespace zev {

class ZEV_EXPORT IntersectGeometryIface {
public:
    // The order of the virtual operations below is part of the interface; new ones go last.
    virtual ~IntersectGeometryIface();

    // The implicit function at p_point; p_setNumber is the element set being cut, or -1.
    virtual double value(const Triplet& p_point, int p_setNumber) const = 0;
    // The function value on the surface.
    virtual float onValue() const;
    // Evaluations allowed to locate a crossing on one edge.
    virtual int numOfIterations() const;
    // Accepted distance of the function from onValue() when iterating.
    virtual float tolerance() const;
    // Whether vertex values may come from a given variable instead of value().
    virtual bool useNodeValue() const;
    virtual bool isOutside(const Triplet& p_point) const;
    virtual bool isInside(const Triplet& p_point) const;
    virtual bool isOn(const Triplet& p_point) const;

protected:
    IntersectGeometryIface() = default;
    IntersectGeometryIface(const IntersectGeometryIface&) = default;
    IntersectGeometryIface& operator=(const IntersectGeometryIface&) = default;
};

} // namespace zev
