// Polyhedral cells: the jittered hexahedral box written as polyhedra (8 corners, 6
// quadrilateral faces each), measured through the generic polyhedron code.
//   PolyhedronVolumes        clearDataStores() + getElementVolumes(); peer: vtkCellSizeFilter
//                            (volume only) on VTK_POLYHEDRON cells
//   PolyhedronVertexVolumes  clearDataStores() + getVertexVolumes() (dual regions); no peer
//   PolyhedronWeights        constructWeights at one interior point per cell; peer:
//                            vtkPolyhedron::EvaluatePosition (the cell fetched by GetCell)
// The workloads register themselves when the program starts, so they run before the others.

#include "bench/BenchSupport.h"

#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/shapes/ShapeSet.h"

#ifdef ZEV_BENCH_PEER
#include <vtkCellSizeFilter.h>
#include <vtkCellType.h>
#include <vtkFloatArray.h>
#include <vtkGenericCell.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkSMPTools.h>
#include <vtkSmartPointer.h>
#include <vtkUnstructuredGrid.h>
#endif

#include <array>
#include <vector>

namespace bench {

namespace {

// The box size: 64, or 24 in a quick run.
int boxSize()
{
    return quickRun() ? 24 : 64;
}

// The faces of a hexahedron on the library's corner numbering (corner c at (c%2, (c/2)%2,
// c/4)), counter-clockwise seen from outside.
constexpr int kFaces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                              {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};

// One interior point per cell: the trilinear blend of its corners at (0.3, 0.6, 0.45).
std::vector<float> probePoints(const Mesh& p_mesh)
{
    const float st[3] = {0.3f, 0.6f, 0.45f};
    std::vector<float> points;
    points.reserve(3 * p_mesh.numCells());
    for (std::size_t cell = 0; cell < p_mesh.numCells(); ++cell) {
        float p[3] = {0, 0, 0};
        for (int c = 0; c < 8; ++c) {
            float w = 1.0f;
            for (int d = 0; d < 3; ++d)
                w *= ((c >> d) & 1) ? st[d] : 1.0f - st[d];
            const std::size_t v =
                static_cast<std::size_t>(p_mesh.corners[8 * cell + static_cast<std::size_t>(c)]);
            for (int d = 0; d < 3; ++d)
                p[d] += w * p_mesh.xyz[3 * v + static_cast<std::size_t>(d)];
        }
        points.insert(points.end(), p, p + 3);
    }
    return points;
}

zev::Geometry*& polyhedra()
{
    static zev::Geometry* s_geometry = nullptr;
    return s_geometry;
}

void dropPolyhedra()
{
    if (polyhedra() != nullptr)
        releaseGeometry(polyhedra());
    polyhedra() = nullptr;
}

zev::Geometry* polyhedronGeometry()
{
    registerCache("polyhedra", dropPolyhedra);
    claimCaches("polyhedra");
    if (polyhedra() != nullptr)
        return polyhedra();
    const Mesh& mesh = cachedMesh(MeshKind::Hex, boxSize());
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::TripletZEVVector& vertices = g->getVertices();
    vertices.resize(mesh.numVertices());
    for (std::size_t v = 0; v < mesh.numVertices(); ++v)
        vertices[v] = zev::Triplet(mesh.xyz[3 * v], mesh.xyz[3 * v + 1], mesh.xyz[3 * v + 2]);
    const int count = static_cast<int>(mesh.numCells());
    zev::ShapeSet* set = g->addElementSet(0, zev::POLYHEDRON, count, 1.0);
    for (int i = 0; i < count; ++i) {
        zev::Shape& shape = (*set)[static_cast<std::size_t>(i)];
        shape.setNumVertices(8);
        for (int c = 0; c < 8; ++c)
            shape[c] = mesh.corners[8 * static_cast<std::size_t>(i) + static_cast<std::size_t>(c)];
        shape.setNumFaces(6);
        shape.setNumEdges(12);
        for (int f = 0; f < 6; ++f) {
            shape.setFaceVertSize(f, 4);
            for (int k = 0; k < 4; ++k)
                shape.setFaceVertex(f, k, kFaces[f][k]);
        }
    }
    polyhedra() = g;
    return g;
}

void volumes(benchmark::State& p_state, const zev::FloatZEVVectorConcrete& (zev::Geometry::*p_getter)() const)
{
    zev::Geometry* g = polyhedronGeometry();
    MemoryScope memory;
    for (auto _ : p_state) {
        g->clearDataStores();
        benchmark::DoNotOptimize((g->*p_getter)().data());
    }
    memory.finish(p_state, static_cast<std::size_t>(g->getNumElements()));
}

void weights(benchmark::State& p_state)
{
    zev::Geometry* g = polyhedronGeometry();
    const std::vector<float> points = probePoints(cachedMesh(MeshKind::Hex, boxSize()));
    const zev::ShapeSet& set = *g->getElementSet("ES1");
    const zev::TripletZEVVector& vertices = g->getVertices();
    std::vector<float> w;
    MemoryScope memory;
    std::size_t found = 0;
    for (auto _ : p_state) {
        found = 0;
        for (std::size_t i = 0; i < set.size(); ++i)
            found +=
                set[i].constructWeights(points[3 * i], points[3 * i + 1], points[3 * i + 2], vertices, w);
        benchmark::DoNotOptimize(w.data());
    }
    if (found != set.size())
        p_state.SkipWithError("a probe point was not found in its cell");
    memory.finish(p_state, set.size());
}

#ifdef ZEV_BENCH_PEER

vtkSmartPointer<vtkUnstructuredGrid>& peerGrid()
{
    static vtkSmartPointer<vtkUnstructuredGrid> s_grid;
    return s_grid;
}

void dropPeerGrid()
{
    peerGrid() = nullptr;
}

vtkUnstructuredGrid* peerPolyhedra()
{
    // One thread: the sequential backend, as the library runs on the caller's thread.
    vtkSMPTools::SetBackend("Sequential");
    vtkSMPTools::Initialize(1);
    registerCache("peer-polyhedra", dropPeerGrid);
    claimCaches("peer-polyhedra");
    if (peerGrid())
        return peerGrid();
    const Mesh& mesh = cachedMesh(MeshKind::Hex, boxSize());
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetNumberOfComponents(3);
    coordinates->SetNumberOfTuples(static_cast<vtkIdType>(mesh.numVertices()));
    std::copy(mesh.xyz.begin(), mesh.xyz.end(), coordinates->GetPointer(0));
    vtkNew<vtkPoints> points;
    points->SetData(coordinates);
    auto grid = vtkSmartPointer<vtkUnstructuredGrid>::New();
    grid->SetPoints(points);
    grid->Allocate(static_cast<vtkIdType>(mesh.numCells()));
    std::array<vtkIdType, 8> ids;
    std::array<vtkIdType, 30> faces;
    for (std::size_t cell = 0; cell < mesh.numCells(); ++cell) {
        for (int c = 0; c < 8; ++c)
            ids[static_cast<std::size_t>(c)] = mesh.corners[8 * cell + static_cast<std::size_t>(c)];
        std::size_t k = 0;
        for (const auto& face : kFaces) {
            faces[k++] = 4;
            for (int c : face)
                faces[k++] = ids[static_cast<std::size_t>(c)];
        }
        grid->InsertNextCell(VTK_POLYHEDRON, 8, ids.data(), 6, faces.data());
    }
    peerGrid() = grid;
    return grid;
}

void peerVolumes(benchmark::State& p_state)
{
    vtkUnstructuredGrid* grid = peerPolyhedra();
    vtkNew<vtkCellSizeFilter> filter;
    filter->SetComputeVertexCount(false);
    filter->SetComputeLength(false);
    filter->SetComputeArea(false);
    filter->SetComputeVolume(true);
    filter->SetComputeSum(false);
    filter->SetInputData(grid);
    MemoryScope memory;
    for (auto _ : p_state) {
        filter->Modified();
        filter->Update();
        benchmark::DoNotOptimize(filter->GetOutputDataObject(0));
    }
    memory.finish(p_state, static_cast<std::size_t>(grid->GetNumberOfCells()));
}

void peerWeights(benchmark::State& p_state)
{
    vtkUnstructuredGrid* grid = peerPolyhedra();
    const std::vector<float> points = probePoints(cachedMesh(MeshKind::Hex, boxSize()));
    vtkNew<vtkGenericCell> cell;
    double closest[3];
    double pcoords[3];
    double dist2 = 0.0;
    int subId = 0;
    double w[8];
    const vtkIdType cells = grid->GetNumberOfCells();
    MemoryScope memory;
    vtkIdType found = 0;
    for (auto _ : p_state) {
        found = 0;
        for (vtkIdType i = 0; i < cells; ++i) {
            const std::size_t at = 3 * static_cast<std::size_t>(i);
            double x[3] = {points[at], points[at + 1], points[at + 2]};
            grid->GetCell(i, cell);
            found += cell->EvaluatePosition(x, closest, subId, pcoords, dist2, w) == 1;
        }
        benchmark::DoNotOptimize(w);
    }
    if (found != cells)
        p_state.SkipWithError("a probe point was not found in its cell");
    memory.finish(p_state, static_cast<std::size_t>(cells));
}

#endif

} // namespace

void registerPolyhedronBenchmarks()
{
    {
        add({"PolyhedronVolumes", "polyhedron", "zev", boxSize(), "element"},
            [](benchmark::State& s) { volumes(s, &zev::Geometry::getElementVolumes); });
        add({"PolyhedronVertexVolumes", "polyhedron", "zev", boxSize(), "element"},
            [](benchmark::State& s) { volumes(s, &zev::Geometry::getVertexVolumes); });
        add({"PolyhedronWeights", "polyhedron", "zev", boxSize(), "element"}, weights);
#ifdef ZEV_BENCH_PEER
        add({"PolyhedronVolumes", "polyhedron", "peer", boxSize(), "element"}, peerVolumes);
        add({"PolyhedronWeights", "polyhedron", "peer", boxSize(), "element"}, peerWeights);
#endif
    }
}

} // namespace bench
