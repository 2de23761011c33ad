// Area and volume integration of a vertex scalar through the visitors. Every iteration drops
// the cached measures first, so the figure includes computing the vertex areas or volumes the
// visitor reads, as the peer's integration computes its cell measures on every run.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/visitors/AreaVisitor.h"
#include "zev/visitors/VolumeVisitor.h"

#include <vector>

namespace bench {

namespace {

// The cached geometry of p_kind with the field "p" at its vertices.
zev::Geometry* geometryWithField(MeshKind p_kind, int p_n)
{
    zev::Geometry* g = cachedGeometry(p_kind, p_n);
    if (!g->hasVariable("p", zev::eVertex)) {
        const zev::TripletZEVVector& vertices = g->getVertices();
        std::vector<float> values(vertices.size());
        for (std::size_t v = 0; v < vertices.size(); ++v)
            values[v] = fieldValue(vertices[v][0], vertices[v][1], vertices[v][2]);
        auto* p = new zev::ScalarVariable(values.data(), static_cast<int>(values.size()), zev::eConservative,
                                          zev::eVertex);
        p->setName("p");
        g->addVariable(p, zev::eVertex);
    }
    return g;
}

template <class Visitor> void integrate(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    zev::Geometry* g = geometryWithField(p_kind, p_n);
    const std::size_t items = isVolume(p_kind) ? static_cast<std::size_t>(g->getNumElements())
                                               : static_cast<std::size_t>(g->getNumFaces());
    MemoryScope memory;
    for (auto _ : p_state) {
        g->clearDataStores();
        Visitor visitor("p");
        g->acceptVisitor(visitor);
        benchmark::DoNotOptimize(visitor.getAverage());
    }
    memory.finish(p_state, items);
}

} // namespace

void registerVisitorBenchmarks()
{
    for (MeshKind kind : {MeshKind::Quad, MeshKind::Tri})
        for (int n : boxSizes())
            add({"AreaIntegration", meshKindName(kind), "zev", n, "face"},
                [kind, n](benchmark::State& s) { integrate<zev::AreaVisitor>(s, kind, n); });
    for (MeshKind kind : {MeshKind::Hex, MeshKind::Tet})
        for (int n : topologySizes())
            add({"VolumeIntegration", meshKindName(kind), "zev", n, "element"},
                [kind, n](benchmark::State& s) { integrate<zev::VolumeVisitor>(s, kind, n); });
}

} // namespace bench
