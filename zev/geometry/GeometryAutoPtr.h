#pragma once
// A handle that destroys its geometry through the registry. Copies hold the same pointer;
// because the registry destroys a geometry only once, several handles to one geometry are
// safe.

#include "zev/ZEVExport.h"

namespace zev {

class Geometry;

class ZEV_EXPORT GeometryAutoPtr {
public:
    GeometryAutoPtr(Geometry* p_geometry = nullptr) : m_geometry(p_geometry) {}
    GeometryAutoPtr(const GeometryAutoPtr& p_other) : m_geometry(p_other.m_geometry) {}
    // Takes the other's pointer; the pointer held before is not released.
    GeometryAutoPtr& operator=(const GeometryAutoPtr& p_other)
    {
        m_geometry = p_other.m_geometry;
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
        return g;
    }

private:
    Geometry* m_geometry;
};

} // namespace zev
