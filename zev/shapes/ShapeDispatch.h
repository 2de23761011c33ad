#pragma once
// The one place that maps a shape type number to its shape class: algorithms that walk the
// shapes of a set call through the concrete ShapeSetBase<T>, so that per-shape calls are
// direct rather than virtual.

#include "zev/shapes/ShapeSetBase.h"

#include <cstddef>
#include <type_traits>

namespace zev {

// Calls p_fn with a null T* for the shape class T of p_type; false when p_type names no
// shape class (p_fn is not called).
template <class F> bool withShapeClass(int p_type, F&& p_fn)
{
    switch (p_type) {
    case TRI:
        p_fn(static_cast<Tri*>(nullptr));
        return true;
    case QUAD:
        p_fn(static_cast<Quad*>(nullptr));
        return true;
    case TET:
        p_fn(static_cast<Tet*>(nullptr));
        return true;
    case WEDGE:
        p_fn(static_cast<Wedge*>(nullptr));
        return true;
    case HEX:
        p_fn(static_cast<Hex*>(nullptr));
        return true;
    case PYRAMID:
        p_fn(static_cast<Pyramid*>(nullptr));
        return true;
    case PENTAGON:
        p_fn(static_cast<Pentagon*>(nullptr));
        return true;
    case HEXAGON:
        p_fn(static_cast<Hexagon*>(nullptr));
        return true;
    case POLYGON:
        p_fn(static_cast<Polygon*>(nullptr));
        return true;
    case POLYHEDRON:
        p_fn(static_cast<Polyhedron*>(nullptr));
        return true;
    default:
        return false;
    }
}

// The ShapeSetBase<T> behind p_set, keeping its constness; null when p_set is another class.
template <class T, class Set> auto asTypedSet(Set& p_set)
{
    using Typed = std::conditional_t<std::is_const<Set>::value, const ShapeSetBase<T>, ShapeSetBase<T>>;
    return dynamic_cast<Typed*>(&p_set);
}

// Calls p_fn(shape) for every shape of p_set in order, through the concrete set class when
// there is one and through the virtual interface otherwise.
template <class Set, class F> void forEachShape(Set& p_set, F&& p_fn)
{
    bool done = false;
    withShapeClass(p_set.getType(), [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if (auto* typed = asTypedSet<T>(p_set)) {
            for (auto& shape : *typed)
                p_fn(shape);
            done = true;
        }
    });
    if (!done)
        for (std::size_t i = 0; i < p_set.size(); ++i)
            p_fn(p_set[i]);
}

} // namespace zev
