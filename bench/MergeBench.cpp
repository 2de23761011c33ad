// Vertex merging on meshes whose vertices are duplicated per cell, as a mesh read cell by cell
// arrives: the boundary surfaces (duplicated per face) and the volume meshes (duplicated per
// element). Merging rewrites the geometry, so each iteration merges a fresh copy, built with
// the clock stopped.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"

namespace bench {

namespace {

void merge(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    claimCaches("merge");
    const Mesh& mesh = cachedMesh(p_kind, p_n, true);
    MemoryScope memory;
    for (auto _ : p_state) {
        p_state.PauseTiming();
        zev::Geometry* g = buildGeometry(mesh);
        p_state.ResumeTiming();
        g->removeDuplicateVertices(kMergeTolerance);
        p_state.PauseTiming();
        releaseGeometry(g);
        p_state.ResumeTiming();
    }
    memory.finish(p_state, mesh.numVertices());
}

} // namespace

void registerMergeBenchmarks()
{
    for (MeshKind kind : {MeshKind::Quad, MeshKind::Tri, MeshKind::Hex, MeshKind::Tet})
        for (int n : topologySizes())
            add({"MergeVertices", meshLabel(kind, true), "zev", n, "input vertex"},
                [kind, n](benchmark::State& s) { merge(s, kind, n); });
}

} // namespace bench
