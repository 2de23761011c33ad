#pragma once
// Sums a variable's values over the geometries visited and tracks their count, minimum and
// maximum. Mode 1 counts only values above 0.5 (flags); other modes take every defined value.

#include "zev/visitors/GeometryVisitor.h"

#include <string>

namespace zev {

class ZEV_EXPORT SummationVisitor : public GeometryVisitor {
public:
    SummationVisitor(const std::string& p_name, int p_mode);

    void visitGeometry(Geometry& p_geometry) override { visitGeometry(p_geometry, nullptr); }
    void visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values) override;

    // The undefined value until something has been accumulated.
    double getSum() const;
    // The undefined value while unset.
    double getMin() const { return m_min; }
    double getMax() const { return m_max; }
    int getCount() const { return m_count; }
    // The mean; 0 with no value counted, the undefined value before anything was visited.
    double getAve() const;

private:
    std::string m_variableName;
    double m_sum = 0.0;
    double m_min; // the undefined value while unset
    double m_max;
    int m_count = 0;
    int m_mode;
};

} // namespace zev
