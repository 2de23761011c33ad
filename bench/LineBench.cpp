// Lines against a closed surface of a million triangles: a bumpy sphere (so faces vary in
// size and orientation) met by 10^5 random lines through its bounding box.
//   LineQuery*      Geometry::intersectFacesWithLine, the first face (in face order) the
//                   whole line meets; the search index is built before the clock starts
//   LineIndexBuild  building that index once (the cost the first repeated query pays)
// The peer, on one thread, over the same triangles and the same lines taken as segments
// long enough to cross the whole surface:
//   LineQueryOBBTree      vtkOBBTree::IntersectWithLine, every crossing of the segment (on
//                         every 20th line: it is much slower per line)
//   LineQueryCellLocator  vtkStaticCellLocator::IntersectWithLine, the crossing nearest
//                         the segment's start

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/shapes/ShapeSet.h"

#ifdef ZEV_BENCH_PEER
#include <vtkCellArray.h>
#include <vtkGenericCell.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkStaticCellLocator.h>
#endif

#include <cmath>
#include <memory>
#include <random>

namespace bench {

namespace {

// Latitude rings (poles included), vertices per ring and lines per iteration: 501, 1000 and
// 10^5; a quick run takes 51, 100 and 10^4.
int rings()
{
    return quickRun() ? 51 : 501;
}
int segments()
{
    return quickRun() ? 100 : 1000;
}
int lineCount()
{
    return quickRun() ? 10000 : 100000;
}
constexpr float kSegmentHalf = 3; // the peer's segments reach this far on each side
constexpr int kObbStride = 20;    // the OBB tree, far slower per line, takes every 20th line

struct Surface {
    std::vector<float> xyz;
    std::vector<int> triangles;
    std::size_t numTriangles() const { return triangles.size() / 3; }
};

// 2 segments (rings - 1) triangles (10^6 in the full run), outward facing, closed at both poles.
Surface makeBumpySphere()
{
    Surface s;
    const double pi = std::acos(-1.0);
    auto add = [&](double p_theta, double p_phi) {
        const double r = 1.0 + 0.1 * std::sin(5 * p_theta) * std::cos(7 * p_phi);
        s.xyz.push_back(static_cast<float>(r * std::sin(p_theta) * std::cos(p_phi)));
        s.xyz.push_back(static_cast<float>(r * std::sin(p_theta) * std::sin(p_phi)));
        s.xyz.push_back(static_cast<float>(r * std::cos(p_theta)));
    };
    add(0, 0);
    for (int i = 1; i < rings() - 1; ++i)
        for (int j = 0; j < segments(); ++j)
            add(pi * i / (rings() - 1), 2 * pi * j / segments());
    add(pi, 0);
    const int south = (rings() - 2) * segments() + 1;
    auto ring = [](int p_i, int p_j) { return 1 + (p_i - 1) * segments() + p_j % segments(); };
    for (int j = 0; j < segments(); ++j) {
        s.triangles.insert(s.triangles.end(), {0, ring(1, j), ring(1, j + 1)});
        for (int i = 1; i < rings() - 2; ++i) {
            s.triangles.insert(s.triangles.end(), {ring(i, j), ring(i + 1, j), ring(i + 1, j + 1)});
            s.triangles.insert(s.triangles.end(), {ring(i, j), ring(i + 1, j + 1), ring(i, j + 1)});
        }
        s.triangles.insert(s.triangles.end(), {ring(rings() - 2, j), south, ring(rings() - 2, j + 1)});
    }
    return s;
}

// Points uniform in the box [-1.1, 1.1]^3, unit directions uniform on the sphere.
struct Lines {
    std::vector<zev::Triplet> points;
    std::vector<zev::Triplet> directions;
};

Lines makeLines()
{
    Lines lines;
    std::mt19937 random(2026);
    std::uniform_real_distribution<float> box(-1.1f, 1.1f);
    std::normal_distribution<float> gauss;
    for (int i = 0; i < lineCount(); ++i) {
        lines.points.emplace_back(box(random), box(random), box(random));
        zev::Triplet d(gauss(random), gauss(random), gauss(random));
        lines.directions.push_back(d / d.length());
    }
    return lines;
}

const Surface& surface()
{
    static const Surface s = makeBumpySphere();
    return s;
}

const Lines& lines()
{
    static const Lines l = makeLines();
    return l;
}

zev::Geometry* buildSurfaceGeometry()
{
    const Surface& s = surface();
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::TripletZEVVector& vertices = g->getVertices();
    vertices.resize(s.xyz.size() / 3);
    for (std::size_t v = 0; v < vertices.size(); ++v)
        vertices[v] = zev::Triplet(s.xyz[3 * v], s.xyz[3 * v + 1], s.xyz[3 * v + 2]);
    zev::ShapeSet* set = g->addFaceSet("TRI", zev::TRI, static_cast<int>(s.numTriangles()), 1.0);
    for (std::size_t f = 0; f < s.numTriangles(); ++f)
        for (int k = 0; k < 3; ++k)
            (*set)[f][k] = s.triangles[3 * f + static_cast<std::size_t>(k)];
    // The query searches "QUAD" after "TRI" and needs the set, empty or not.
    g->addFaceSet("QUAD", zev::QUAD, 0, 1.0);
    return g;
}

zev::Geometry*& cachedSurface()
{
    static zev::Geometry* s_geometry = nullptr;
    return s_geometry;
}

void dropSurface()
{
    if (cachedSurface())
        releaseGeometry(cachedSurface());
    cachedSurface() = nullptr;
}

void lineQuery(benchmark::State& p_state)
{
    registerCache("lines", dropSurface);
    claimCaches("lines");
    if (!cachedSurface())
        cachedSurface() = buildSurfaceGeometry();
    const zev::Geometry& g = *cachedSurface();
    const Lines& l = lines();
    zev::Triplet displacement;
    // The index is built from the second query on; build it before the clock starts.
    g.intersectFacesWithLine(l.points[0], l.directions[0], displacement);
    g.intersectFacesWithLine(l.points[0], l.directions[0], displacement);
    MemoryScope memory;
    int hits = 0;
    for (auto _ : p_state) {
        hits = 0;
        for (int i = 0; i < lineCount(); ++i)
            hits += g.intersectFacesWithLine(l.points[static_cast<std::size_t>(i)],
                                             l.directions[static_cast<std::size_t>(i)], displacement);
        benchmark::DoNotOptimize(displacement);
    }
    p_state.counters["hit_fraction"] = hits / static_cast<double>(lineCount());
    memory.finish(p_state, lineCount());
}

void indexBuild(benchmark::State& p_state)
{
    registerCache("lines", dropSurface);
    claimCaches("lines");
    if (!cachedSurface())
        cachedSurface() = buildSurfaceGeometry();
    zev::Geometry& g = *cachedSurface();
    const Lines& l = lines();
    zev::Triplet displacement;
    MemoryScope memory;
    for (auto _ : p_state) {
        p_state.PauseTiming();
        g.clearCache();
        g.intersectFacesWithLine(l.points[0], l.directions[0], displacement); // first query: a scan
        p_state.ResumeTiming();
        g.intersectFacesWithLine(l.points[0], l.directions[0], displacement); // builds the index
    }
    memory.finish(p_state, surface().numTriangles());
}

#ifdef ZEV_BENCH_PEER

vtkSmartPointer<vtkPolyData>& peerSurface()
{
    static vtkSmartPointer<vtkPolyData> s_data;
    return s_data;
}

void dropPeerSurface()
{
    peerSurface() = nullptr;
}

vtkPolyData* peerData()
{
    registerCache("lines-peer", dropPeerSurface);
    claimCaches("lines-peer");
    if (!peerSurface()) {
        const Surface& s = surface();
        vtkNew<vtkPoints> points;
        points->SetDataTypeToFloat();
        points->SetNumberOfPoints(static_cast<vtkIdType>(s.xyz.size() / 3));
        for (vtkIdType v = 0; v < points->GetNumberOfPoints(); ++v)
            points->SetPoint(v, s.xyz[static_cast<std::size_t>(3 * v)],
                             s.xyz[static_cast<std::size_t>(3 * v + 1)],
                             s.xyz[static_cast<std::size_t>(3 * v + 2)]);
        vtkNew<vtkCellArray> polys;
        polys->AllocateExact(static_cast<vtkIdType>(s.numTriangles()),
                             static_cast<vtkIdType>(s.triangles.size()));
        for (std::size_t f = 0; f < s.numTriangles(); ++f) {
            const vtkIdType ids[3] = {s.triangles[3 * f], s.triangles[3 * f + 1], s.triangles[3 * f + 2]};
            polys->InsertNextCell(3, ids);
        }
        peerSurface() = vtkSmartPointer<vtkPolyData>::New();
        peerSurface()->SetPoints(points);
        peerSurface()->SetPolys(polys);
        peerSurface()->BuildCells();
    }
    return peerSurface();
}

void segmentEnds(std::size_t p_i, double* p_a, double* p_b)
{
    const Lines& l = lines();
    for (int c = 0; c < 3; ++c) {
        p_a[c] = l.points[p_i][c] - kSegmentHalf * l.directions[p_i][c];
        p_b[c] = l.points[p_i][c] + kSegmentHalf * l.directions[p_i][c];
    }
}

void obbTree(benchmark::State& p_state)
{
    vtkNew<vtkOBBTree> tree;
    tree->SetDataSet(peerData());
    // The default depth limit (8 levels) leaves thousands of triangles per leaf on this
    // surface; lifted, the depth follows the default number of cells per leaf.
    tree->SetMaxLevel(32);
    tree->BuildLocator();
    vtkNew<vtkPoints> points;
    vtkNew<vtkIdList> cells;
    MemoryScope memory;
    int hits = 0;
    for (auto _ : p_state) {
        hits = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(lineCount()); i += kObbStride) {
            double a[3], b[3];
            segmentEnds(i, a, b);
            tree->IntersectWithLine(a, b, points, cells);
            hits += cells->GetNumberOfIds() > 0;
        }
    }
    p_state.counters["hit_fraction"] = hits / static_cast<double>(lineCount() / kObbStride);
    memory.finish(p_state, lineCount() / kObbStride);
}

void cellLocator(benchmark::State& p_state)
{
    vtkNew<vtkStaticCellLocator> locator;
    locator->SetDataSet(peerData());
    locator->BuildLocator();
    vtkNew<vtkGenericCell> cell;
    MemoryScope memory;
    int hits = 0;
    for (auto _ : p_state) {
        hits = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(lineCount()); ++i) {
            double a[3], b[3], x[3], pcoords[3], t = 0;
            int subId = 0;
            vtkIdType cellId = -1;
            segmentEnds(i, a, b);
            hits += locator->IntersectWithLine(a, b, 0.0, t, x, pcoords, subId, cellId, cell);
        }
    }
    p_state.counters["hit_fraction"] = hits / static_cast<double>(lineCount());
    memory.finish(p_state, lineCount());
}

#endif

} // namespace

void registerLineBenchmarks()
{
    const long faces = static_cast<long>(2 * segments() * (rings() - 1));
    // The same query of the library in two rows, one against each of the peer's locators.
    add({"LineQueryOBBTree", "sphere", "zev", faces, "line"}, lineQuery);
    add({"LineQueryCellLocator", "sphere", "zev", faces, "line"}, lineQuery);
    add({"LineIndexBuild", "sphere", "zev", faces, "face"}, indexBuild)->Iterations(3);
#ifdef ZEV_BENCH_PEER
    add({"LineQueryOBBTree", "sphere", "peer", faces, "line"}, obbTree);
    add({"LineQueryCellLocator", "sphere", "peer", faces, "line"}, cellLocator);
#endif
}

} // namespace bench
