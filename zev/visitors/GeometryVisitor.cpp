#include "zev/visitors/GeometryVisitor.h"

#include <iostream>

namespace zev {

GeometryVisitor::~GeometryVisitor() = default;

void GeometryVisitor::visitGeometry(Geometry&, const FloatZEVVector*)
{
    std::cerr << "Internal Warning: GeometryVisitor::visitGeometry has no implementation." << std::endl;
}

} // namespace zev
