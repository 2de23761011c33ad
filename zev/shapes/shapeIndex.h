#pragma once
// Locates one shape of a geometry: the number of its shape set, its index in that set and
// a pointer to the shape. The not-found value is (-1, -1, null).

#include "zev/ZEVExport.h"

namespace zev {

class Shape;

class ZEV_EXPORT shapeIndex {
public:
    shapeIndex() = default;
    shapeIndex(int p_setIndex, int p_shapeIndex, const Shape* p_shape)
        : m_setIndex(p_setIndex), m_shapeIndex(p_shapeIndex), m_shape(p_shape)
    {
    }

    void initialise()
    {
        m_setIndex = -1;
        m_shapeIndex = -1;
        m_shape = nullptr;
    }

    // A shape of a set. A proxy shape found by point location has a pointer but no set.
    bool isValid() const { return m_shape != nullptr && m_setIndex >= 0; }
    bool hasGeomData() const { return m_shape != nullptr; }

    // The same shape object, or else the same set and shape numbers.
    bool operator==(const shapeIndex& p_other) const
    {
        if (m_shape == p_other.m_shape)
            return true;
        return m_setIndex == p_other.m_setIndex && m_shapeIndex == p_other.m_shapeIndex;
    }
    bool operator!=(const shapeIndex& p_other) const { return !(*this == p_other); }

    int getSetIndex() const { return m_setIndex; }
    int getShapeIndex() const { return m_shapeIndex; }
    const Shape* getShape() const { return m_shape; }

    int m_setIndex = -1;
    int m_shapeIndex = -1;
    const Shape* m_shape = nullptr; // not owned
};

} // namespace zev
