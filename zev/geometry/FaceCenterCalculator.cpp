#include "zev/geometry/FaceCenterCalculator.h"

#include "zev/contracts/TripletZEVVector.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

namespace zev {

FaceCenterCalculator::~FaceCenterCalculator() = default;

void FaceCenterCalculator::calculate(const Geometry* p_geometry, TripletZEVVector& p_centers)
{
    if (p_geometry == nullptr)
        return;
    p_centers.reserve(p_centers.size() + static_cast<std::size_t>(p_geometry->getNumFaces()));
    const TripletZEVVector& vertices = p_geometry->getVertices();
    for (const std::string& name : p_geometry->getFaceSetNames()) {
        const ShapeSet* set = p_geometry->getFaceSet(name);
        if (set == nullptr)
            continue;
        for (std::size_t i = 0; i < set->size(); ++i)
            p_centers.push_back((*set)[i].calcCentroid(vertices));
    }
}

} // namespace zev
