#pragma once
// Integrates over the volume of a geometry: vertex data is weighted by the vertex (dual
// region) volumes, element data by the element volumes.

#include "zev/visitors/IntegrationVisitor.h"

namespace zev {

class ZEV_EXPORT VolumeVisitor : public IntegrationVisitor {
public:
    using IntegrationVisitor::IntegrationVisitor;

    void visitGeometry(Geometry& p_geometry) override { visitGeometry(p_geometry, nullptr); }
    void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values) override;
};

} // namespace zev
