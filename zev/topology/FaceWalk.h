#pragma once
// The walks over a geometry's face sets shared by the edge, wireframe and neighbour
// algorithms: edges packed into one integer, and every face of every face set in name order.

#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zev {
namespace facewalk {

// An edge packed so that the integer order is the Edge order (both ends non-negative).
inline std::uint64_t packEdge(int p_a, int p_b)
{
    if (p_b < p_a)
        std::swap(p_a, p_b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p_a)) << 32) |
           static_cast<std::uint32_t>(p_b);
}

inline int firstOf(std::uint64_t p_edge)
{
    return static_cast<int>(p_edge >> 32);
}
inline int secondOf(std::uint64_t p_edge)
{
    return static_cast<int>(p_edge & 0xffffffffu);
}

// Calls p_fn(face) for every face of every face set of p_geometry in name order. p_onNull is
// called for a null set.
template <class Fn, class OnNull> void forEachFace(const Geometry& p_geometry, Fn&& p_fn, OnNull&& p_onNull)
{
    for (const std::string& name : p_geometry.getFaceSetNames()) {
        const ShapeSet* set = p_geometry.getFaceSet(name);
        if (set == nullptr) {
            p_onNull();
            continue;
        }
        const std::size_t n = set->size();
        for (std::size_t i = 0; i < n; ++i)
            p_fn((*set)[i]);
    }
}

// Appends the usable edges of p_face (both ends real vertices, not collapsed) to p_out.
inline void appendEdges(const Shape& p_face, std::vector<std::uint64_t>& p_out)
{
    const int n = p_face.getNumVertices();
    for (int k = 0; k < n; ++k) {
        const int a = p_face[k];
        const int b = p_face[(k + 1) % n];
        if (a >= 0 && b >= 0 && a != b)
            p_out.push_back(packEdge(a, b));
    }
}

} // namespace facewalk
} // namespace zev
