#pragma once
// A host strategy that picks a geometry's feature lines. A geometry owns the object it is
// given and destroys it with itself.

#include "zev/ZEVExport.h"

#include <string>

namespace zev {

class IntZEVVector;
class TripletZEVVector;

class ZEV_EXPORT GeometricAlgorithmInterface {
public:
    virtual ~GeometricAlgorithmInterface();
    // Fills p_lines with vertex-index pairs, one pair per feature-line segment of the
    // geometry named p_geometryName with vertices p_vertices, for edges whose faces meet at
    // more than p_featureAngle degrees.
    virtual void calculateFeatureLines(const std::string& p_geometryName, const TripletZEVVector& p_vertices,
                                       IntZEVVector& p_lines, double p_featureAngle) = 0;
};

} // namespace zev
