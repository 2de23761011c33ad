// The vertex neighbour table of a geometry's face sets.

#include "zev/topology/NodeNeighbours.h"

#include "zev/topology/FaceWalk.h"

namespace zev {

void buildNodeNeighbours(const Geometry& p_geometry, std::vector<std::set<int>>& p_table)
{
    const std::size_t vertexCount = p_geometry.getVertices().size();
    p_table.assign(vertexCount, std::set<int>());
    facewalk::forEachFace(
        p_geometry,
        [&](const Shape& p_face) {
            const int n = p_face.getNumVertices();
            for (int k = 0; k < n; ++k) {
                const int v = p_face[k];
                if (v < 0 || static_cast<std::size_t>(v) >= vertexCount)
                    continue;
                std::set<int>& around = p_table[static_cast<std::size_t>(v)];
                around.insert(p_face[(k + 1) % n]);
                around.insert(p_face[(k - 1 + n) % n]);
            }
        },
        [] {});
}

} // namespace zev
