#pragma once
// The concrete shape set for one shape class: the shapes held by value in one contiguous
// array, so iterating a set of fixed-size shapes touches no further heap memory.

#include "zev/shapes/Hex.h"
#include "zev/shapes/Hexagon.h"
#include "zev/shapes/Pentagon.h"
#include "zev/shapes/Polygon.h"
#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Tri.h"
#include "zev/shapes/Wedge.h"

#include <algorithm>
#include <cassert>
#include <type_traits>

namespace zev {

template <class T> class ZEV_EXPORT ShapeSetBase : public ShapeSet {
public:
    using iterator = typename ZEVVector<T>::iterator;
    using const_iterator = typename ZEVVector<T>::const_iterator;

    // p_n default shapes, each with the number 0.
    explicit ShapeSetBase(std::size_t p_n) : ShapeSet(p_n), m_shapes(p_n) {}
    ShapeSetBase(const ShapeSetBase&) = default;
    ShapeSetBase& operator=(const ShapeSetBase&) = default;
    ~ShapeSetBase() override = default;

    // final, so that calls through ShapeSetBase<T> compile to direct array access.
    std::size_t size() const final { return m_shapes.size(); }
    void resize(std::size_t p_n) final
    {
        m_shapes.resize(p_n);
        m_nums.resize(p_n, 0);
    }
    ShapeType getType() const final { return T::staticGetType(); }
    const T& operator[](std::size_t p_i) const final
    {
        assert(p_i < m_shapes.size());
        return m_shapes[p_i];
    }
    T& operator[](std::size_t p_i) final
    {
        assert(p_i < m_shapes.size());
        return m_shapes[p_i];
    }
    int getNumVerticesPerShape() const final { return T::staticGetNumVertices(); }
    int getNumEdgesPerShape() const final { return T::staticGetNumEdges(); }
    bool empty() const final { return m_shapes.empty(); }

    // Same shapes (with their proxies), extents (flagged as set), correction factor and label;
    // set number and per-shape numbers start at 0. The fixed face classes start with fresh
    // normal and area caches; a Polygon keeps its cached values.
    ShapeSet* clone() const override
    {
        ShapeSetBase<T>* copy = new ShapeSetBase<T>(m_shapes.size());
        copy->m_shapes = m_shapes;
        if (std::is_base_of<Face, T>::value && !std::is_same<T, Polygon>::value)
            for (T& shape : copy->m_shapes)
                shape.clearDataStores();
        copy->m_min = m_min;
        copy->m_max = m_max;
        copy->m_extentsSet = true;
        copy->m_correctionFactor = m_correctionFactor;
        copy->m_label = m_label;
        return copy;
    }
    // The per-shape numbers are left as they are.
    void removeDegenerate() override
    {
        m_shapes.erase(std::remove_if(m_shapes.begin(), m_shapes.end(),
                                      [](const T& p_shape) { return p_shape.isDegenerate(); }),
                       m_shapes.end());
    }

    virtual int getNumFacesPerShape() const { return T::staticGetNumFaces(); }
    // Removing shapes leaves the per-shape numbers as they are.
    virtual void erase(std::size_t p_i)
    {
        assert(p_i < m_shapes.size());
        m_shapes.erase(m_shapes.begin() + static_cast<std::ptrdiff_t>(p_i));
    }
    virtual void erase(iterator p_first, iterator p_last) { m_shapes.erase(p_first, p_last); }
    virtual void pop_back() { m_shapes.pop_back(); }

    iterator begin() { return m_shapes.begin(); }
    iterator end() { return m_shapes.end(); }
    const_iterator begin() const { return m_shapes.begin(); }
    const_iterator end() const { return m_shapes.end(); }
    T* data() { return m_shapes.data(); }
    const T* data() const { return m_shapes.data(); }

private:
    ZEVVector<T> m_shapes;
};

// The ten sets are compiled once, into the library.
extern template class ShapeSetBase<Tet>;
extern template class ShapeSetBase<Pyramid>;
extern template class ShapeSetBase<Wedge>;
extern template class ShapeSetBase<Hex>;
extern template class ShapeSetBase<Polyhedron>;
extern template class ShapeSetBase<Tri>;
extern template class ShapeSetBase<Quad>;
extern template class ShapeSetBase<Pentagon>;
extern template class ShapeSetBase<Hexagon>;
extern template class ShapeSetBase<Polygon>;

} // namespace zev
