#pragma once
// A handle that destroys its geometry through the registry. Copies hold the same pointer;
// because the registry destroys a geometry only once, several handles to one geometry are
// safe. A handle also remembers the registry's serial number of its geometry, so that a
// handle outliving its geometry never destroys, nor hands out, a newer geometry created at
// the same address: once its geometry is gone, get() and -> give null.

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
    // Releases the geometry held before, as destruction does (unless it is the same one), then
    // takes the other's.
    GeometryAutoPtr& operator=(const GeometryAutoPtr& p_other);
    virtual ~GeometryAutoPtr();

    // The geometry, or null once the registry has destroyed it (through another handle, or
    // directly). A geometry the registry never recorded is handed out as it was given.
    Geometry* get() const;
    Geometry* operator->() const { return get(); }
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
