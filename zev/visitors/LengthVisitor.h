#pragma once
// Integrates over the line segments of a geometry, weighting vertex data by vertex lengths.

#include "zev/visitors/IntegrationVisitor.h"

namespace zev {

class ZEV_EXPORT LengthVisitor : public IntegrationVisitor {
public:
    using IntegrationVisitor::IntegrationVisitor;

    void visitGeometry(Geometry& p_geometry) override { visitGeometry(p_geometry, nullptr); }
    void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values) override;
};

} // namespace zev
