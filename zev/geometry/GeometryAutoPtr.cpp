#include "zev/geometry/GeometryAutoPtr.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

GeometryAutoPtr::~GeometryAutoPtr()
{
    if (m_geometry)
        GeometryAPI::instance()->deleteGeometry(m_geometry);
}

} // namespace zev
