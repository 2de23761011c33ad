#pragma once
// Integrates over the line segments of a geometry, weighting vertex data by vertex lengths.

#include "zev/visitors/IntegrationVisitor.h"

namespace zev {

class ZEV_EXPORT LengthVisitor : public IntegrationVisitor {
public:
    LengthVisitor() = default;
    explicit LengthVisitor(const std::string& p_name) : IntegrationVisitor(p_name) {}

    void visitGeometry(Geometry& p_geometry) override { visitGeometry(p_geometry, nullptr); }
    void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values) override;
};

} // namespace zev
