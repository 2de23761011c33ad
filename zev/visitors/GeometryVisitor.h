#pragma once
// The base of every visitor a geometry accepts: integrations, averages and sums.

#include "zev/ZEVExport.h"

namespace zev {

class FloatZEVVector;
class Geometry;

class ZEV_EXPORT GeometryVisitor {
public:
    virtual ~GeometryVisitor();

    virtual void visitGeometry(Geometry& p_geometry) = 0;
    // Visits with explicit values; the base only warns that it has no implementation.
    virtual void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values);

    // Whether anything has been accumulated.
    bool isValid() const { return m_valid; }

protected:
    bool m_valid = false;
};

} // namespace zev
