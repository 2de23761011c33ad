#pragma once
// A handle that destroys its geometry through the registry. Copies hold the same pointer;
// because the registry destroys a geometry only once, several handles to one geometry are
// safe. A handle also remembers the registry's serial number of its geometry, so that a
// handle outliving its geometry never destroys a newer geometry created at the same address.

#include "zev/ZEVExport.h"

namespace zev {

class Geometry;

class ZEV_EXPORT GeometryAutoPtr {
public:
    GeometryAutoPtr(Geometry* p_geometry = nullptr);
    GeometryAutoPtr(const GeometryAutoPtr& p_other)
        : m_geometry(p_other.m_geometry), m_serial(p_other.m_serial)
    {
    }
    // Takes the other's pointer; the pointer held before is not released.
    GeometryAutoPtr& operator=(const GeometryAutoPtr& p_other)
    {
        m_geometry = p_other.m_geometry;
        m_serial = p_other.m_serial;
        return *this;
    }
    virtual ~GeometryAutoPtr();

    Geometry* get() const { return m_geometry; }
    Geometry* operator->() const { return m_geometry; }
    // Gives up the pointer without destroying it.
    Geometry* release()
    {
        Geometry* g = m_geometry;
        m_geometry = nullptr;
        m_serial = 0;
        return g;
    }

private:
    Geometry* m_geometry;
    // The registry's serial of m_geometry when the handle took it; 0 for a geometry the
    // registry did not record.
    unsigned long long m_serial = 0;
};

} // namespace zev
