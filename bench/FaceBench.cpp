// Boundary construction: the boundary faces of the box meshes derived from their elements.
// Repeated calls on one geometry rebuild the same sets and discard them because the names
// exist, so every iteration does the whole construction.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"

namespace bench {

namespace {

void boundary(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    zev::Geometry* g = cachedGeometry(p_kind, p_n);
    const std::size_t items = static_cast<std::size_t>(g->getNumElements());
    MemoryScope memory;
    for (auto _ : p_state) {
        if (!g->calculateFaces()) {
            p_state.SkipWithError("calculateFaces found no faces");
            break;
        }
    }
    memory.finish(p_state, items);
}

} // namespace

void registerFaceBenchmarks()
{
    for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
        for (int n : topologySizes())
            add({"BoundaryFaces", meshKindName(kind), "zev", n, "element"},
                [kind, n](benchmark::State& s) { boundary(s, kind, n); });
}

} // namespace bench
