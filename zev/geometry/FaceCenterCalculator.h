#pragma once
// Computes the centres of a geometry's faces. A host may install a subclass through the
// registry to define face centres its own way; the geometry does not own it.

#include "zev/ZEVExport.h"

namespace zev {

class Geometry;
class TripletZEVVector;

class ZEV_EXPORT FaceCenterCalculator {
public:
    // Appends the centre of every face of p_geometry to p_centers: face sets in name order,
    // faces in set order.
    virtual void calculate(const Geometry* p_geometry, TripletZEVVector& p_centers);
    virtual ~FaceCenterCalculator();
};

} // namespace zev
