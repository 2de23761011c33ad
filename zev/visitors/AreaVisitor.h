#pragma once
// Integrates over the area of a geometry: the area (or the area projected on an axis) and
// the area-weighted mean of a variable. Vertex data is weighted by the vertex areas, face
// data by the face areas.

#include "zev/contracts/Triplet.h"
#include "zev/visitors/IntegrationVisitor.h"

namespace zev {

class ZEV_EXPORT AreaVisitor : public IntegrationVisitor {
public:
    using IntegrationVisitor::IntegrationVisitor;
    // Projects every area vector on p_axis (normalised) instead of taking its magnitude.
    AreaVisitor(const TripletBase<float>& p_axis, const std::string& p_name);

    void setAxis(const TripletBase<float>& p_axis);
    bool usesMagnitude() const { return m_useMagnitude; }
    const Triplet& getAxis() const { return m_axis; }

    void visitGeometry(Geometry& p_geometry) override { visitGeometry(p_geometry, nullptr); }
    // p_values must hold at least one value per area at the location used.
    void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values) override;

private:
    bool m_useMagnitude = true;
    Triplet m_axis{0.0f, 0.0f, 0.0f};
};

} // namespace zev
