#pragma once
// The one place that maps a shape type number to its shape class: algorithms that walk the
// shapes of a set call through the concrete ShapeSetBase<T>, so that per-shape calls are
// direct rather than virtual.

#include "zev/shapes/ShapeSetBase.h"

#include <cstddef>
#include <map>
#include <type_traits>

namespace zev {

// The shape classes, in the order of their type numbers.
template <class... T> struct ShapeClassList {
};
using ShapeClasses =
    ShapeClassList<Tri, Quad, Tet, Wedge, Hex, Pyramid, Pentagon, Hexagon, Polygon, Polyhedron>;

// Calls p_fn with a null T* for the class T of the list whose type is p_type; false when
// none has it (p_fn is not called).
template <class F, class... T> bool withShapeClassIn(ShapeClassList<T...>, int p_type, F&& p_fn)
{
    // At most one class has the type; the fold stops at it.
    return ((p_type == T::staticGetType() && (p_fn(static_cast<T*>(nullptr)), true)) || ...);
}

// Calls p_fn with a null T* for the shape class T of p_type; false when p_type names no
// shape class (p_fn is not called).
template <class F> bool withShapeClass(int p_type, F&& p_fn)
{
    return withShapeClassIn(ShapeClasses{}, p_type, p_fn);
}

// The element and face classes, in the order their factories test a type against them.
using ElementClasses = ShapeClassList<Tet, Wedge, Hex, Pyramid, Polyhedron>;
using FaceClasses = ShapeClassList<Tri, Quad, Pentagon, Hexagon, Polygon>;

// The vertex count of each class of the list, by type.
template <class... T> std::map<ShapeType, int> vertexCounts(ShapeClassList<T...>)
{
    return {{T::staticGetType(), T::staticGetNumVertices()}...};
}

// A new set of p_n default shapes of the class of the list whose type is p_type; null when
// none has it.
template <class... T> ShapeSet* newShapeSet(ShapeClassList<T...> p_classes, int p_type, std::size_t p_n)
{
    ShapeSet* set = nullptr;
    withShapeClassIn(p_classes, p_type, [&](auto* p_tag) {
        set = new ShapeSetBase<std::remove_pointer_t<decltype(p_tag)>>(p_n);
    });
    return set;
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
