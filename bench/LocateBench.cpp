// Point location and probing: 10^6 points located in the jittered box as about 2M tetrahedra
// (70^3 cubes, six each) and as 1M hexahedra (100^3), a fifth of the points at mesh vertices
// or at the centres of element faces (shared faces, where two elements touch the point).
//
//   LocateBuild        the octree of the element set (zev) / vtkStaticCellLocator::BuildLocator
//   Locate             Geometry::findElement per point, octree built / vtkStaticCellLocator::FindCell
//                      with its tolerance set, built once
//   LocateCellLocator  the same library run / vtkCellLocator::FindCell, built once
//   Probe              locate and interpolate a vertex field per point, octree built inside the
//                      run (zevgeom probe's path) / vtkProbeFilter with a static cell locator
//
// Both sides report "misses": points no element was found for. Every point lies in the box,
// so a miss is a fault of the search (or of the element tests at vertices and faces).
// Registered from here at start-up, so the workloads need no entry in the main program.

#include "bench/BenchSupport.h"

#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/search/Octree.h"
#include "zev/search/PointLocator.h"

#include <memory>
#include <random>
#include <type_traits>
#include <vector>

#ifdef ZEV_BENCH_PEER
#include <vtkCellArray.h>
#include <vtkCellLocator.h>
#include <vtkCellType.h>
#include <vtkFloatArray.h>
#include <vtkGenericCell.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkProbeFilter.h>
#include <vtkSmartPointer.h>
#include <vtkStaticCellLocator.h>
#include <vtkUnstructuredGrid.h>
#endif

namespace bench {

namespace {

// 10^6 query points, 10^5 in a quick run.
std::size_t pointCount()
{
    return quickRun() ? 100000 : 1000000;
}

struct LocateCase {
    MeshKind kind;
    int n;
};
constexpr LocateCase kCases[] = {{MeshKind::Tet, 70}, {MeshKind::Hex, 100}};

// The local corners of the six faces of a hexahedron (corner c at (c%2, (c/2)%2, c/4)).
constexpr int kHexFaces[6][4] = {{0, 2, 4, 6}, {1, 3, 5, 7}, {0, 1, 4, 5},
                                 {2, 3, 6, 7}, {0, 1, 2, 3}, {4, 5, 6, 7}};

// The inputs of one case, shared by both sides and kept between the workloads of that case.
struct Inputs {
    MeshKind kind = MeshKind::Tet;
    int n = 0;
    Mesh mesh;
    std::vector<float> points; // 3 floats per point
    std::vector<float> field;  // fieldValue at every vertex
    zev::Geometry* geometry = nullptr;
#ifdef ZEV_BENCH_PEER
    vtkSmartPointer<vtkUnstructuredGrid> grid;
    vtkSmartPointer<vtkStaticCellLocator> staticLocator;
    vtkSmartPointer<vtkCellLocator> cellLocator;
    vtkSmartPointer<vtkPolyData> probePoints;
#endif
};

std::unique_ptr<Inputs>& inputSlot()
{
    static std::unique_ptr<Inputs> s_inputs;
    return s_inputs;
}

void dropInputs()
{
    std::unique_ptr<Inputs>& slot = inputSlot();
    if (slot && slot->geometry)
        releaseGeometry(slot->geometry);
    slot.reset();
}

// 80 % uniform in the box, 10 % at vertices, 10 % at the centres of element faces (for a
// warped quadrilateral, the centre of its bilinear surface).
std::vector<float> makePoints(const Mesh& p_mesh)
{
    std::mt19937 random(17);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<std::size_t> vertex(0, p_mesh.numVertices() - 1);
    std::uniform_int_distribution<std::size_t> cell(0, p_mesh.numCells() - 1);
    const int corners = cornersPerCell(p_mesh.kind);
    std::vector<float> out;
    out.reserve(3 * pointCount());
    for (std::size_t i = 0; i < pointCount(); ++i) {
        const std::size_t kind = i % 10;
        if (kind < 8) {
            for (int c = 0; c < 3; ++c)
                out.push_back(unit(random));
        } else if (kind == 8) {
            const std::size_t v = vertex(random);
            out.insert(out.end(), p_mesh.xyz.begin() + static_cast<std::ptrdiff_t>(3 * v),
                       p_mesh.xyz.begin() + static_cast<std::ptrdiff_t>(3 * v + 3));
        } else {
            const int* c = p_mesh.corners.data() + cell(random) * static_cast<std::size_t>(corners);
            const int face = static_cast<int>(i / 10 % (p_mesh.kind == MeshKind::Hex ? 6 : 4));
            double centre[3] = {0.0, 0.0, 0.0};
            const int n = p_mesh.kind == MeshKind::Hex ? 4 : 3;
            for (int k = 0; k < n; ++k) {
                const int local = p_mesh.kind == MeshKind::Hex ? kHexFaces[face][k] : (face + k) % 4;
                for (int a = 0; a < 3; ++a)
                    centre[a] +=
                        p_mesh.xyz[3 * static_cast<std::size_t>(c[local]) + static_cast<std::size_t>(a)];
            }
            for (int a = 0; a < 3; ++a)
                out.push_back(static_cast<float>(centre[a] / n));
        }
    }
    return out;
}

#ifdef ZEV_BENCH_PEER
// The peer's hexahedron lists its bottom face counter-clockwise, then the top one.
constexpr int kHexOrder[8] = {0, 1, 3, 2, 4, 5, 7, 6};

vtkSmartPointer<vtkUnstructuredGrid> makeGrid(const Inputs& p_in)
{
    const Mesh& m = p_in.mesh;
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetNumberOfComponents(3);
    coordinates->SetNumberOfTuples(static_cast<vtkIdType>(m.numVertices()));
    std::copy(m.xyz.begin(), m.xyz.end(), coordinates->GetPointer(0));
    vtkNew<vtkPoints> points;
    points->SetData(coordinates);
    const int corners = cornersPerCell(m.kind);
    const vtkIdType cells = static_cast<vtkIdType>(m.numCells());
    vtkNew<vtkIdTypeArray> offsets;
    offsets->SetNumberOfValues(cells + 1);
    for (vtkIdType c = 0; c <= cells; ++c)
        offsets->SetValue(c, c * corners);
    vtkNew<vtkIdTypeArray> connectivity;
    connectivity->SetNumberOfValues(static_cast<vtkIdType>(m.corners.size()));
    for (vtkIdType c = 0; c < cells; ++c)
        for (int k = 0; k < corners; ++k)
            connectivity->SetValue(c * corners + k,
                                   m.corners[static_cast<std::size_t>(
                                       c * corners + (m.kind == MeshKind::Hex ? kHexOrder[k] : k))]);
    vtkNew<vtkCellArray> array;
    array->SetData(offsets, connectivity);
    auto grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
    grid->SetPoints(points);
    grid->SetCells(m.kind == MeshKind::Hex ? VTK_HEXAHEDRON : VTK_TETRA, array);
    vtkNew<vtkFloatArray> field;
    field->SetName("p");
    field->SetNumberOfTuples(static_cast<vtkIdType>(p_in.field.size()));
    std::copy(p_in.field.begin(), p_in.field.end(), field->GetPointer(0));
    grid->GetPointData()->AddArray(field);
    return grid;
}
#endif

Inputs& inputs(MeshKind p_kind, int p_n)
{
    claimCaches("locate", false);
    registerCache("locate", dropInputs);
    std::unique_ptr<Inputs>& slot = inputSlot();
    if (slot && slot->kind == p_kind && slot->n == p_n)
        return *slot;
    dropInputs();
    slot = std::make_unique<Inputs>();
    slot->kind = p_kind;
    slot->n = p_n;
    slot->mesh = makeMesh(p_kind, p_n);
    slot->points = makePoints(slot->mesh);
    slot->field.resize(slot->mesh.numVertices());
    for (std::size_t v = 0; v < slot->field.size(); ++v)
        slot->field[v] =
            fieldValue(slot->mesh.xyz[3 * v], slot->mesh.xyz[3 * v + 1], slot->mesh.xyz[3 * v + 2]);
    slot->geometry = buildGeometry(slot->mesh);
    return *slot;
}

void zevBuild(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    MemoryScope memory;
    for (auto _ : p_state) {
        in.geometry->deleteAllOctrees();
        benchmark::DoNotOptimize(in.geometry->getOctreeForES(0));
    }
    const zev::Octree* tree = in.geometry->getOctreeForES(0);
    p_state.counters["leaves"] = tree->GetLeafCount();
    p_state.counters["refs_per_element"] =
        static_cast<double>(tree->GetTotalReferences()) / static_cast<double>(in.mesh.numCells());
    memory.finish(p_state, in.mesh.numCells());
}

void zevLocate(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    in.geometry->getOctreeForES(0);
    std::vector<float> weights;
    weights.reserve(8);
    MemoryScope memory;
    std::size_t misses = 0;
    for (auto _ : p_state) {
        misses = 0;
        for (std::size_t i = 0; i < pointCount(); ++i) {
            const zev::Triplet p(in.points[3 * i], in.points[3 * i + 1], in.points[3 * i + 2]);
            const zev::shapeIndex where =
                in.geometry->findElement(p, weights, false, zev::Geometry::SearchDomain);
            misses += where.hasGeomData() ? 0 : 1;
        }
    }
    p_state.counters["misses"] = static_cast<double>(misses);
    memory.finish(p_state, pointCount());
}

void zevProbe(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    zev::FloatZEVVectorConcrete field;
    field.resize(in.field.size());
    std::copy(in.field.begin(), in.field.end(), &field[0]);
    std::vector<float> values(pointCount());
    MemoryScope memory;
    std::size_t misses = 0;
    for (auto _ : p_state) {
        in.geometry->deleteAllOctrees();
        misses = 0;
        for (std::size_t i = 0; i < pointCount(); ++i) {
            const zev::Triplet p(in.points[3 * i], in.points[3 * i + 1], in.points[3 * i + 2]);
            const zev::PointLocation at =
                zev::PointLocator::locate(*in.geometry, p, zev::Geometry::SearchDomain, false);
            values[i] = zev::PointLocator::interpolate(at.m_weights, field);
            misses += values[i] == zev::ZEV_UNDEF ? 1 : 0;
        }
        benchmark::DoNotOptimize(values.data());
    }
    p_state.counters["misses"] = static_cast<double>(misses);
    memory.finish(p_state, pointCount());
}

#ifdef ZEV_BENCH_PEER
void ensureGrid(Inputs& p_in)
{
    if (!p_in.grid)
        p_in.grid = makeGrid(p_in);
}

void peerBuild(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    ensureGrid(in);
    MemoryScope memory;
    for (auto _ : p_state) {
        auto locator = vtkSmartPointer<vtkStaticCellLocator>::New();
        locator->SetDataSet(in.grid);
        locator->SetTolerance(1e-6);
        locator->BuildLocator();
        benchmark::DoNotOptimize(locator.GetPointer());
        p_state.PauseTiming();
        in.staticLocator = locator;
        p_state.ResumeTiming();
    }
    memory.finish(p_state, in.mesh.numCells());
}

template <class Locator> void peerLocate(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    ensureGrid(in);
    vtkSmartPointer<vtkAbstractCellLocator> locator;
    if (std::is_same<Locator, vtkStaticCellLocator>::value) {
        if (!in.staticLocator) {
            in.staticLocator = vtkSmartPointer<vtkStaticCellLocator>::New();
            in.staticLocator->SetDataSet(in.grid);
            in.staticLocator->SetTolerance(1e-6);
            in.staticLocator->BuildLocator();
        }
        locator = in.staticLocator;
    } else {
        if (!in.cellLocator) {
            in.cellLocator = vtkSmartPointer<vtkCellLocator>::New();
            in.cellLocator->SetDataSet(in.grid);
            in.cellLocator->SetTolerance(1e-6);
            in.cellLocator->BuildLocator();
        }
        locator = in.cellLocator;
    }
    vtkNew<vtkGenericCell> cell;
    double pcoords[3];
    double weights[8];
    MemoryScope memory;
    std::size_t misses = 0;
    for (auto _ : p_state) {
        misses = 0;
        for (std::size_t i = 0; i < pointCount(); ++i) {
            double x[3] = {in.points[3 * i], in.points[3 * i + 1], in.points[3 * i + 2]};
            misses += locator->FindCell(x, 1e-12, cell, pcoords, weights) < 0 ? 1 : 0;
        }
    }
    p_state.counters["misses"] = static_cast<double>(misses);
    memory.finish(p_state, pointCount());
}

void peerProbe(benchmark::State& p_state, MeshKind p_kind, int p_n)
{
    Inputs& in = inputs(p_kind, p_n);
    ensureGrid(in);
    if (!in.probePoints) {
        vtkNew<vtkFloatArray> coordinates;
        coordinates->SetNumberOfComponents(3);
        coordinates->SetNumberOfTuples(static_cast<vtkIdType>(pointCount()));
        std::copy(in.points.begin(), in.points.end(), coordinates->GetPointer(0));
        vtkNew<vtkPoints> points;
        points->SetData(coordinates);
        in.probePoints = vtkSmartPointer<vtkPolyData>::New();
        in.probePoints->SetPoints(points);
    }
    MemoryScope memory;
    double misses = 0.0;
    for (auto _ : p_state) {
        vtkNew<vtkProbeFilter> probe;
        vtkNew<vtkStaticCellLocator> prototype;
        probe->SetCellLocatorPrototype(prototype);
        probe->SetInputData(in.probePoints);
        probe->SetSourceData(in.grid);
        probe->Update();
        misses = static_cast<double>(pointCount()) -
                 static_cast<double>(probe->GetValidPoints()->GetNumberOfTuples());
    }
    p_state.counters["misses"] = misses;
    memory.finish(p_state, pointCount());
}
#endif

} // namespace

void registerLocateBenchmarks()
{
    const LocateCase quickCases[] = {{MeshKind::Tet, 20}, {MeshKind::Hex, 30}};
    for (const LocateCase& c : quickRun() ? quickCases : kCases) {
        const std::string mesh = meshKindName(c.kind);
        const MeshKind kind = c.kind;
        const int n = c.n;
        add({"LocateBuild", mesh, "zev", n, "element"},
            [kind, n](benchmark::State& s) { zevBuild(s, kind, n); });
        add({"Locate", mesh, "zev", n, "point"}, [kind, n](benchmark::State& s) { zevLocate(s, kind, n); });
        add({"LocateCellLocator", mesh, "zev", n, "point"},
            [kind, n](benchmark::State& s) { zevLocate(s, kind, n); });
        add({"Probe", mesh, "zev", n, "point"}, [kind, n](benchmark::State& s) { zevProbe(s, kind, n); });
#ifdef ZEV_BENCH_PEER
        add({"LocateBuild", mesh, "peer", n, "element"},
            [kind, n](benchmark::State& s) { peerBuild(s, kind, n); });
        add({"Locate", mesh, "peer", n, "point"},
            [kind, n](benchmark::State& s) { peerLocate<vtkStaticCellLocator>(s, kind, n); });
        add({"LocateCellLocator", mesh, "peer", n, "point"},
            [kind, n](benchmark::State& s) { peerLocate<vtkCellLocator>(s, kind, n); });
        add({"Probe", mesh, "peer", n, "point"}, [kind, n](benchmark::State& s) { peerProbe(s, kind, n); });
#endif
    }
}

} // namespace bench
