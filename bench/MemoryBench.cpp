// Bytes per element held by a geometry of hexahedra and of tetrahedra: the heap growth of
// building it (shape storage, per-shape numbers and the vertex array), next to the size of one
// shape and the lean bound of a table pointer, a proxy pointer and the vertex indices.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Tet.h"

namespace bench {

namespace {

template <class T> void memoryOf(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    claimCaches("memory");
    const Mesh& mesh = cachedMesh(p_kind, p_n);
    const double elements = static_cast<double>(mesh.numCells());
    MemoryScope memory;
    double held = 0.0;
    for (auto _ : p_state) {
        const std::size_t before = heapBytesInUse();
        zev::Geometry* g = buildGeometry(mesh);
        held = static_cast<double>(heapBytesInUse() - before);
        releaseGeometry(g);
    }
    memory.finish(p_state, mesh.numCells());
    p_state.counters["bytes_per_element"] = held / elements;
    p_state.counters["vertex_bytes_per_element"] =
        static_cast<double>(mesh.numVertices() * sizeof(zev::Triplet)) / elements;
    p_state.counters["shape_bytes"] = static_cast<double>(sizeof(T));
    p_state.counters["lean_shape_bytes"] = static_cast<double>(
        2 * sizeof(void*) + static_cast<std::size_t>(cornersPerCell(p_kind)) * sizeof(int));
}

} // namespace

void registerMemoryBenchmarks()
{
    for (int n : boxSizes()) {
        add({"Memory", "hex", "zev", n, "element"}, [n](benchmark::State& s) {
            memoryOf<zev::Hex>(s, MeshKind::Hex, n);
        })->Iterations(1);
        add({"Memory", "tet", "zev", n, "element"}, [n](benchmark::State& s) {
            memoryOf<zev::Tet>(s, MeshKind::Tet, n);
        })->Iterations(1);
    }
}

} // namespace bench
