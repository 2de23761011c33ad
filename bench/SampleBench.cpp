// Sample points on a surface of about 10^6 triangles (a gently waved unit square):
//   SampleRandom      10^6 random points (SamplePointsGeometry, method "Random")
//   SampleEqualArea   10^5 equally spaced points, accuracy "High"
//   SampleGrid        grid points projected onto the surface, each node tested only against
//                     the faces whose projection can hold it ("buckets"); the same grid with
//                     every node tested against every face in order ("scan") on a surface of
//                     2 x 10^4 triangles, where the scan still finishes, gives the ratio.
// Times are per point placed (per grid node for the grid).

#include "bench/BenchSupport.h"

#include "zev/contracts/Undefined.h"
#include "zev/derived/SPGeometryInternal.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/shapes/ShapeSet.h"

#include <cmath>
#include <map>
#include <vector>

namespace bench {

namespace {

const zev::Triplet kCentred(zev::ZEV_UNDEF, zev::ZEV_UNDEF, zev::ZEV_UNDEF);

// The unit square as an n x n grid of cells split into two triangles each, waved in z. The
// first row stays in the plane z = 0: the grid takes its plane from the first vertex triples
// that span one, and a nearly straight first row would tilt it.
zev::Geometry* wavedSquare(int p_n)
{
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::TripletZEVVector& v = g->getVertices();
    v.reserve(static_cast<std::size_t>(p_n + 1) * static_cast<std::size_t>(p_n + 1));
    for (int j = 0; j <= p_n; ++j)
        for (int i = 0; i <= p_n; ++i) {
            const float x = static_cast<float>(i) / p_n, y = static_cast<float>(j) / p_n;
            v.push_back(zev::Triplet(x, y, 0.05f * std::sin(6.0f * x) * std::sin(4.0f * y)));
        }
    zev::ShapeSet* set = g->addFaceSet("Surface", zev::TRI, 2 * p_n * p_n, 1.0);
    std::size_t f = 0;
    for (int j = 0; j < p_n; ++j)
        for (int i = 0; i < p_n; ++i) {
            const int a = j * (p_n + 1) + i;
            const int tris[2][3] = {{a, a + 1, a + p_n + 2}, {a, a + p_n + 2, a + p_n + 1}};
            for (const auto& t : tris) {
                for (int c = 0; c < 3; ++c)
                    (*set)[f][c] = t[c];
                ++f;
            }
        }
    g->setDomain("Surface");
    return g;
}

std::map<int, zev::Geometry*>& surfaces()
{
    static std::map<int, zev::Geometry*> s_surfaces;
    return s_surfaces;
}

void dropSurfaces()
{
    for (auto& entry : surfaces())
        releaseGeometry(entry.second);
    surfaces().clear();
}

zev::Geometry* surface(int p_n)
{
    registerCache("sample-surfaces", dropSurfaces);
    claimCaches("sample-surfaces", false);
    zev::Geometry*& g = surfaces()[p_n];
    if (g == nullptr)
        g = wavedSquare(p_n);
    return g;
}

zev::SamplePointsGeometry* newSampler()
{
    static bool s_registered = false;
    if (!s_registered) {
        zev::SamplePointsGeometry::registerType();
        s_registered = true;
    }
    return dynamic_cast<zev::SamplePointsGeometry*>(
        zev::GeometryAPI::instance()->newGeometry("SamplePointsGeometry", nullptr));
}

void sampleByMethod(benchmark::State& p_state, zev::SamplePointsGeometry::Method p_method, int p_n,
                    int p_count)
{
    zev::Geometry* parent = surface(p_n);
    zev::SamplePointsGeometry* sampler = newSampler();
    MemoryScope memory;
    int placed = 0;
    for (auto _ : p_state) {
        placed = sampler->doSampling(parent, p_method, p_count, 0.0f, 1.0f, 0.0f, kCentred, "High", 1,
                                     nullptr, true, false, true);
        benchmark::DoNotOptimize(placed);
    }
    memory.finish(p_state, static_cast<std::size_t>(placed));
    p_state.counters["points"] = placed;
    zev::GeometryAPI::instance()->deleteGeometry(sampler);
}

void sampleGrid(benchmark::State& p_state, int p_n, float p_spacing, bool p_fullScan)
{
    zev::Geometry* parent = surface(p_n);
    MemoryScope memory;
    int placed = 0;
    for (auto _ : p_state) {
        zev::SPGeometryInternal internal;
        internal.setGridFullScan(p_fullScan);
        zev::TripletZEVVector points;
        std::vector<int> numbers;
        placed = internal.doSampling(parent, zev::SamplePointsGeometry::RectangularGrid, 0, p_spacing, 1.0f,
                                     0.0f, kCentred, "High", nullptr, points, nullptr, numbers, nullptr);
        benchmark::DoNotOptimize(points.floatData());
    }
    // The grid spans 1.49 times the diagonal: nodes = (trunc(L / spacing + 1) made odd)^2.
    const double span = 1.49 * std::sqrt(2.0 + 0.1 * 0.1);
    const double nodes = std::pow(2.0 * std::trunc(std::trunc(span / p_spacing + 1.0) / 2.0) + 1.0, 2.0);
    memory.finish(p_state, static_cast<std::size_t>(nodes));
    p_state.counters["points"] = placed;
}

} // namespace

// The full run: 10^6 random and 10^5 equal-area points on 10^6 triangles, grids on them and
// on 2 * 10^4 triangles (with the full scan there); the quick run a tenth of each, the scan
// on 2 * 30^2 triangles.
void registerSampleBenchmarks()
{
    const bool quick = quickRun();
    const int large = quick ? 224 : 707;
    const int small = quick ? 30 : 100;
    const std::size_t randomPoints = quick ? 100000 : 1000000;
    const std::size_t equalPoints = quick ? 10000 : 100000;
    add({"SampleRandom", "tri-surface", "zev", large, "point"}, [=](benchmark::State& s) {
        sampleByMethod(s, zev::SamplePointsGeometry::Random, large, randomPoints);
    });
    add({"SampleEqualArea", "tri-surface", "zev", large, "point"}, [=](benchmark::State& s) {
        sampleByMethod(s, zev::SamplePointsGeometry::EquallySpaced, large, equalPoints);
    });
    add({"SampleGrid", "tri-surface-buckets", "zev", large, "node"},
        [=](benchmark::State& s) { sampleGrid(s, large, quick ? 0.01f : 0.005f, false); });
    add({"SampleGrid", "tri-surface-buckets", "zev", small, "node"},
        [=](benchmark::State& s) { sampleGrid(s, small, 0.01f, false); });
    add({"SampleGrid", "tri-surface-scan", "zev", small, "node"},
        [=](benchmark::State& s) { sampleGrid(s, small, 0.01f, true); });
}

} // namespace bench
