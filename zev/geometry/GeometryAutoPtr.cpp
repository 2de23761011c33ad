#include "zev/geometry/GeometryAutoPtr.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

GeometryAutoPtr::GeometryAutoPtr(Geometry* p_geometry)
    : m_geometry(p_geometry), m_serial(p_geometry ? GeometryAPI::instance()->serialOf(p_geometry) : 0)
{
}

GeometryAutoPtr::~GeometryAutoPtr()
{
    if (m_geometry)
        GeometryAPI::instance()->deleteGeometry(m_geometry, m_serial);
}

} // namespace zev
