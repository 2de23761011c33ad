// Element cutting: every element of a 2M-tetrahedron and a 1M-hexahedron box is cut by an
// oblique plane through the box centre, element by element, with the shared edge lookup,
// output vertex array, interpolant and polygon lists of one operation. Each iteration
// empties them and keeps their capacity, as repeated cuts of one domain would.
//   ElementCut         the kernel on the open-addressing edge table, with the plane's value
//                      at every vertex computed once per run
//   ElementCutEdgeMap  the virtual Shape entry on std::map<Edge, int>
// The counter cut_share is the share of elements that produced a polygon. This file
// registers itself when the program starts, so the shared main needs no entry for it.

#include "bench/BenchSupport.h"

#include "zev/cutting/EdgeHashTable.h"
#include "zev/cutting/ElementCutter.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include <map>
#include <set>
#include <vector>

namespace bench {

namespace {

const zev::Triplet s_normal(0.48f, 0.6f, 0.64f);
const float s_constant = 0.86f; // through (0.5, 0.5, 0.5)

struct CutState {
    zev::GeometryAutoPtr output{zev::GeometryAPI::instance()->newGeometry("", nullptr)};
    zev::EdgeInterpolant interpolant{"domain"};
    std::map<int, std::vector<int>> polygons;
    int next = 0;

    void reset()
    {
        output.get()->getVertices().resize(0);
        interpolant.clear();
        for (auto& entry : polygons)
            entry.second.clear();
        next = 0;
    }
    double cutShare(std::size_t p_elements) const
    {
        std::set<int> cut;
        for (const auto& entry : polygons)
            for (std::size_t r = 0; r < entry.second.size(); r += std::size_t(entry.first) + 2)
                cut.insert(entry.second[r + 1]);
        return double(cut.size()) / double(p_elements);
    }
};

void cutWithHashTable(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    zev::Geometry* domain = cachedGeometry(p_kind, p_n);
    const zev::ShapeSet& set = *domain->getElementSet(0);
    const zev::TripletZEVVector& vertices = domain->getVertices();
    CutState state;
    zev::EdgeHashTable table;
    std::vector<float> values;
    MemoryScope memory;
    for (auto _ : p_state) {
        state.reset();
        table.clear();
        zev::ElementCutter<zev::EdgeHashTable> cutter(zev::PlaneIntersection, vertices, s_normal, nullptr,
                                                      nullptr, s_constant, table, *state.output.get(),
                                                      &state.interpolant, state.next, state.polygons);
        cutter.computeVertexValues(0, values);
        cutter.useVertexValues(values.data());
        for (std::size_t e = 0; e < set.size(); ++e)
            cutter.cut(set[e], 0, int(e));
        benchmark::DoNotOptimize(state.next);
    }
    memory.finish(p_state, set.size());
    p_state.counters["cut_share"] = state.cutShare(set.size());
}

void cutWithEdgeMap(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    zev::Geometry* domain = cachedGeometry(p_kind, p_n);
    const zev::ShapeSet& set = *domain->getElementSet(0);
    const zev::TripletZEVVector& vertices = domain->getVertices();
    CutState state;
    std::map<zev::Edge, int> edges;
    MemoryScope memory;
    for (auto _ : p_state) {
        state.reset();
        edges.clear();
        for (std::size_t e = 0; e < set.size(); ++e)
            set[e].intersectWithElement(set[e].getNumVertices(), zev::PlaneIntersection, vertices, s_normal,
                                        nullptr, nullptr, 0, int(e), s_constant, edges, *state.output.get(),
                                        &state.interpolant, state.next, state.polygons);
        benchmark::DoNotOptimize(state.next);
    }
    memory.finish(p_state, set.size());
    p_state.counters["cut_share"] = state.cutShare(set.size());
}

// 6 * 70^3 = 2,058,000 tetrahedra; 100^3 hexahedra.
const int s_tetBox = 70;
const int s_hexBox = 100;

} // namespace

void registerCutBenchmarks()
{
    const int tetBox = quickRun() ? 20 : s_tetBox;
    const int hexBox = quickRun() ? 30 : s_hexBox;
    for (const auto& box : {std::make_pair(MeshKind::Tet, tetBox), std::make_pair(MeshKind::Hex, hexBox)}) {
        const MeshKind kind = box.first;
        const int n = box.second;
        add({"ElementCut", meshKindName(kind), "zev", n, "element"},
            [kind, n](benchmark::State& s) { cutWithHashTable(s, kind, n); });
        add({"ElementCutEdgeMap", meshKindName(kind), "zev", n, "element"},
            [kind, n](benchmark::State& s) { cutWithEdgeMap(s, kind, n); });
    }
}

} // namespace bench
