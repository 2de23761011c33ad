// Element and vertex (dual-region) volumes of the box meshes, face and vertex areas of their
// boundary surfaces. Every iteration drops the geometry's cached measures and asks for them
// again, so it measures the full computation a first request makes.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"

namespace bench {

namespace {

using Getter = const zev::FloatZEVVectorConcrete& (zev::Geometry::*)() const;

void measure(benchmark::State& p_state, MeshKind p_kind, int p_n, Getter p_getter)
{
    zev::Geometry* g = cachedGeometry(p_kind, p_n);
    const std::size_t items = isVolume(p_kind) ? static_cast<std::size_t>(g->getNumElements())
                                               : static_cast<std::size_t>(g->getNumFaces());
    MemoryScope memory;
    for (auto _ : p_state) {
        g->clearDataStores();
        const zev::FloatZEVVectorConcrete& values = (g->*p_getter)();
        benchmark::DoNotOptimize(values.data());
    }
    memory.finish(p_state, items);
}

} // namespace

void registerMeasureBenchmarks()
{
    for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
        for (int n : boxSizes()) {
            add({"ElementVolumes", meshKindName(kind), "zev", n, "element"},
                [kind, n](benchmark::State& s) { measure(s, kind, n, &zev::Geometry::getElementVolumes); });
            add({"VertexVolumes", meshKindName(kind), "zev", n, "element"},
                [kind, n](benchmark::State& s) { measure(s, kind, n, &zev::Geometry::getVertexVolumes); });
        }
    for (MeshKind kind : {MeshKind::Quad, MeshKind::Tri})
        for (int n : boxSizes()) {
            add({"FaceAreas", meshKindName(kind), "zev", n, "face"},
                [kind, n](benchmark::State& s) { measure(s, kind, n, &zev::Geometry::getFaceAreas); });
            add({"VertexAreas", meshKindName(kind), "zev", n, "face"},
                [kind, n](benchmark::State& s) { measure(s, kind, n, &zev::Geometry::getVertexAreas); });
        }
}

} // namespace bench
