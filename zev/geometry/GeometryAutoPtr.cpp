#include "zev/geometry/GeometryAutoPtr.h"

#include "zev/geometry/GeometryAPI.h"

namespace zev {

GeometryAutoPtr::GeometryAutoPtr(Geometry* p_geometry)
    : m_geometry(p_geometry), m_serial(p_geometry ? GeometryAPI::instance()->serialOf(p_geometry) : 0)
{
}

GeometryAutoPtr& GeometryAutoPtr::operator=(const GeometryAutoPtr& p_other)
{
    if (m_geometry == p_other.m_geometry && m_serial == p_other.m_serial)
        return *this;
    if (m_geometry)
        GeometryAPI::instance()->deleteGeometry(m_geometry, m_serial);
    m_geometry = p_other.m_geometry;
    m_serial = p_other.m_serial;
    return *this;
}

GeometryAutoPtr::~GeometryAutoPtr()
{
    if (m_geometry)
        GeometryAPI::instance()->deleteGeometry(m_geometry, m_serial);
}

Geometry* GeometryAutoPtr::get() const
{
    if (m_geometry == nullptr || m_serial == 0)
        return m_geometry;
    return GeometryAPI::instance()->serialOf(m_geometry) == m_serial ? m_geometry : nullptr;
}

} // namespace zev
