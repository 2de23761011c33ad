// Projection of points onto a triangulated surface: a wavy sheet over the unit square
// (z = 0.05 sin 6x cos 5y), two triangles per grid cell, and points scattered within 0.02 of
// it. Each iteration projects every point, building the search tables on the way, as a
// first projection onto a surface does.
//   Projection       10^6 points onto 500 000 triangles; peer: vtkStaticCellLocator
//                    (BuildLocator, then FindClosestPoint per point, one thread)
//   ProjectionSmall  10^4 points onto 2 048 triangles; bound: the brute-force reference,
//                    every face's projectPointToFace for every point

#include "bench/BenchSupport.h"

#include "zev/contracts/TripletZEVVector.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/search/ProjectionStatistics.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <cfloat>
#include <cmath>
#include <random>

#ifdef ZEV_BENCH_PEER
#include <vtkCellArray.h>
#include <vtkGenericCell.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkStaticCellLocator.h>
#endif

namespace bench {

namespace {

struct Sheet {
    int n = 0;                // cells along each side
    std::vector<float> xyz;   // 3 per vertex
    std::vector<int> tris;    // 3 per triangle
    std::vector<float> query; // 3 per point
};

float height(float p_x, float p_y)
{
    return 0.05f * std::sin(6.0f * p_x) * std::cos(5.0f * p_y);
}

const Sheet& sheet(int p_n, std::size_t p_points)
{
    static Sheet s;
    if (s.n == p_n && s.query.size() == 3 * p_points)
        return s;
    s = Sheet();
    s.n = p_n;
    for (int j = 0; j <= p_n; ++j)
        for (int i = 0; i <= p_n; ++i) {
            const float x = static_cast<float>(i) / p_n, y = static_cast<float>(j) / p_n;
            s.xyz.insert(s.xyz.end(), {x, y, height(x, y)});
        }
    for (int j = 0; j < p_n; ++j)
        for (int i = 0; i < p_n; ++i) {
            const int v = j * (p_n + 1) + i;
            s.tris.insert(s.tris.end(), {v, v + 1, v + p_n + 2, v, v + p_n + 2, v + p_n + 1});
        }
    std::mt19937 random(42);
    std::uniform_real_distribution<float> u(0.0f, 1.0f), off(-0.02f, 0.02f);
    for (std::size_t k = 0; k < p_points; ++k) {
        const float x = u(random), y = u(random);
        s.query.insert(s.query.end(), {x, y, height(x, y) + off(random)});
    }
    return s;
}

zev::Geometry* buildSheet(const Sheet& p_sheet)
{
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    g->setDomain("sheet");
    zev::TripletZEVVector& v = g->getVertices();
    v.resize(p_sheet.xyz.size() / 3);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = zev::Triplet(p_sheet.xyz[3 * i], p_sheet.xyz[3 * i + 1], p_sheet.xyz[3 * i + 2]);
    const std::size_t count = p_sheet.tris.size() / 3;
    zev::ShapeSet* set = g->addFaceSet("sheet", zev::TRI, static_cast<int>(count), 1.0);
    for (std::size_t f = 0; f < count; ++f)
        for (int k = 0; k < 3; ++k)
            (*set)[f][k] = p_sheet.tris[3 * f + static_cast<std::size_t>(k)];
    return g;
}

zev::TripletZEVVector queryPoints(const Sheet& p_sheet)
{
    zev::TripletZEVVector points(p_sheet.query.size() / 3);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = zev::Triplet(p_sheet.query[3 * i], p_sheet.query[3 * i + 1], p_sheet.query[3 * i + 2]);
    return points;
}

void project(benchmark::State& p_state, int p_n, std::size_t p_points)
{
    claimCaches("projection");
    const Sheet& s = sheet(p_n, p_points);
    zev::Geometry* g = buildSheet(s);
    const zev::TripletZEVVector points = queryPoints(s);
    MemoryScope memory;
    for (auto _ : p_state) {
        zev::HybridInterpolant interpolant("sheet");
        zev::ProjectionStatistics stats;
        g->projectOnGeometry(points, &interpolant, stats);
        benchmark::DoNotOptimize(interpolant.size());
        p_state.counters["face_share"] =
            static_cast<double>(stats.getFaceCount()) / static_cast<double>(p_points);
    }
    memory.finish(p_state, p_points);
    releaseGeometry(g);
}

void bruteForce(benchmark::State& p_state, int p_n, std::size_t p_points)
{
    claimCaches("projection");
    const Sheet& s = sheet(p_n, p_points);
    zev::Geometry* g = buildSheet(s);
    const zev::TripletZEVVector points = queryPoints(s);
    const zev::ShapeSet& faces = *g->getFaceSet("sheet");
    MemoryScope memory;
    for (auto _ : p_state) {
        std::size_t hits = 0;
        for (const zev::Triplet& p : points) {
            float best = FLT_MAX;
            for (std::size_t f = 0; f < faces.size(); ++f) {
                zev::Triplet projected;
                float d = FLT_MAX;
                if (faces[f].projectPointToFace(p, g->getVertices(), projected, d) && d < best)
                    best = d;
            }
            hits += best < FLT_MAX;
        }
        benchmark::DoNotOptimize(hits);
    }
    memory.finish(p_state, p_points);
    releaseGeometry(g);
}

#ifdef ZEV_BENCH_PEER
void peerProject(benchmark::State& p_state, int p_n, std::size_t p_points)
{
    claimCaches("projection");
    const Sheet& s = sheet(p_n, p_points);
    vtkNew<vtkPoints> vertices;
    vertices->SetDataTypeToFloat();
    vertices->SetNumberOfPoints(static_cast<vtkIdType>(s.xyz.size() / 3));
    for (vtkIdType i = 0; i < vertices->GetNumberOfPoints(); ++i)
        vertices->SetPoint(i, s.xyz[3 * static_cast<std::size_t>(i)],
                           s.xyz[3 * static_cast<std::size_t>(i) + 1],
                           s.xyz[3 * static_cast<std::size_t>(i) + 2]);
    vtkNew<vtkCellArray> cells;
    for (std::size_t f = 0; f < s.tris.size(); f += 3) {
        const vtkIdType ids[3] = {s.tris[f], s.tris[f + 1], s.tris[f + 2]};
        cells->InsertNextCell(3, ids);
    }
    vtkNew<vtkPolyData> surface;
    surface->SetPoints(vertices);
    surface->SetPolys(cells);
    surface->BuildCells();
    MemoryScope memory;
    for (auto _ : p_state) {
        vtkNew<vtkStaticCellLocator> locator;
        locator->SetDataSet(surface);
        locator->BuildLocator();
        vtkNew<vtkGenericCell> cell;
        double sum = 0.0;
        for (std::size_t k = 0; k < s.query.size(); k += 3) {
            const double x[3] = {s.query[k], s.query[k + 1], s.query[k + 2]};
            double closest[3];
            vtkIdType cellId = -1;
            int subId = 0;
            double dist2 = 0.0;
            locator->FindClosestPoint(x, closest, cell, cellId, subId, dist2);
            sum += dist2;
        }
        benchmark::DoNotOptimize(sum);
    }
    memory.finish(p_state, p_points);
}
#endif

} // namespace

void registerProjectionBenchmarks()
{
    constexpr int kLarge = 500; // 500 000 triangles
    constexpr int kSmall = 32;  // 2 048 triangles
    constexpr std::size_t kLargePoints = 1000000;
    constexpr std::size_t kSmallPoints = 10000;
    const bool large = !quickRun();
    if (large)
        add({"Projection", "tri-sheet", "zev", 2L * kLarge * kLarge, "point"},
            [](benchmark::State& s) { project(s, kLarge, kLargePoints); });
    add({"ProjectionSmall", "tri-sheet", "zev", 2L * kSmall * kSmall, "point"},
        [](benchmark::State& s) { project(s, kSmall, kSmallPoints); });
    add({"ProjectionSmall", "tri-sheet", "bound", 2L * kSmall * kSmall, "point"},
        [](benchmark::State& s) { bruteForce(s, kSmall, kSmallPoints); });
#ifdef ZEV_BENCH_PEER
    if (large)
        add({"Projection", "tri-sheet", "peer", 2L * kLarge * kLarge, "point"},
            [](benchmark::State& s) { peerProject(s, kLarge, kLargePoints); });
    add({"ProjectionSmall", "tri-sheet", "peer", 2L * kSmall * kSmall, "point"},
        [](benchmark::State& s) { peerProject(s, kSmall, kSmallPoints); });
#endif
}

} // namespace bench
