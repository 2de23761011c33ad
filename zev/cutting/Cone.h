#pragma once
// A right circular cone as an implicit cutting surface: the function is the cosine of the
// angle between (point - tip) and the axis, less the cone's own cosine, so the surface is the
// zero level, the inside (nearer the axis) is positive and a cosine of 1 is a degenerate
// cone along the axis.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"
#include "zev/cutting/IntersectGeometryIface.h"

namespace zev {

class ZEV_EXPORT Cone : public IntersectGeometryIface {
public:
    // The cone with that tip and axis through p_surfacePoint. Throws when the point is the tip.
    Cone(const Triplet& p_axis, const Triplet& p_tip, const Triplet& p_surfacePoint);
    // The cone with that tip and axis whose half angle has cosine p_cosine.
    Cone(const Triplet& p_axis, const Triplet& p_tip, float p_cosine);
    ~Cone() override;

    double value(const Triplet& p_point, int p_setNumber) const override;
    // Vertex values always come from value(): a variable's values mean nothing to a cone.
    bool useNodeValue() const override { return false; }
    // Outside is a wider angle from the axis than the cone's; inside a narrower one.
    bool isOutside(const Triplet& p_point) const override;
    bool isInside(const Triplet& p_point) const override;

    bool isCylinder() const { return m_cosine == 1.0; }
    const Triplet& getTip() const { return m_tip; }
    const Triplet& getAxis() const { return m_axis; }
    double getCosine() const { return m_cosine; }

private:
    Triplet m_tip;
    Triplet m_axis; // unit length unless given as zero
    double m_cosine;
};

} // namespace zev
