// Evaluation of the expression 2*x+y over a million vertices, as a variable request on a
// geometry makes it (parse, fetch the coordinates, evaluate, file the result), against the same
// formula written as a plain loop.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"

#include <stdexcept>

namespace bench {

namespace {

constexpr long kVertices = 1000000;

// A geometry of kVertices vertices (a 100^3 lattice of the unit box), kept for the program's
// lifetime.
zev::Geometry*& geometrySlot()
{
    static zev::Geometry* s_geometry = nullptr;
    return s_geometry;
}

void dropGeometry()
{
    if (geometrySlot() != nullptr)
        releaseGeometry(geometrySlot());
    geometrySlot() = nullptr;
}

zev::Geometry* expressionGeometry()
{
    registerCache("expression", dropGeometry);
    claimCaches("expression", false);
    zev::Geometry*& s_geometry = geometrySlot();
    if (s_geometry != nullptr)
        return s_geometry;
    const Mesh mesh = makeMesh(MeshKind::Hex, 99);
    zev::Geometry* g = buildGeometry(Mesh{MeshKind::Hex, 99, false, mesh.xyz, {}});
    if (g->getNumVertices() != kVertices)
        throw std::logic_error("the expression lattice must hold a million vertices");
    s_geometry = g;
    return g;
}

void evaluate(benchmark::State& p_state)
{
    zev::Geometry* g = expressionGeometry();
    MemoryScope memory;
    for (auto _ : p_state) {
        g->deleteVariable("2*x+y");
        zev::Variable* v = g->getVariable("2*x+y", false, zev::eVertex);
        if (v == nullptr) {
            p_state.SkipWithError("the expression was not evaluated");
            break;
        }
        benchmark::DoNotOptimize(v);
    }
    memory.finish(p_state, kVertices);
}

void handLoop(benchmark::State& p_state)
{
    const zev::TripletZEVVector& vertices = expressionGeometry()->getVertices();
    const std::size_t n = vertices.size();
    std::vector<float> out(n);
    MemoryScope memory;
    for (auto _ : p_state) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = 2.0f * vertices[i][0] + vertices[i][1];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    memory.finish(p_state, n);
}

} // namespace

void registerExpressionBenchmarks()
{
    add({"Expression", "vertices", "zev", kVertices, "vertex"}, evaluate);
    add({"Expression", "vertices", "bound", kVertices, "vertex"}, handLoop);
}

} // namespace bench
